#include "MapiFailureTexts.h"

std::string LogonFailureText(MapiULong code) {
    switch (code) {
    case MAPI_USER_ABORT:
        return "User Abort - MAPI Logon";
    case MAPI_E_LOGIN_FAILURE:
        return "Login Failure - MAPI Logon";
    case MAPI_E_INSUFFICIENT_MEMORY:
        return "Insufficient Memory - MAPI Logon";
    case MAPI_E_TOO_MANY_SESSIONS:
        return "Too many sessions - MAPI Logon";
    default:
        return "Unspecified error message - MAPI Logon";
    }
}

std::string ResolveNameFailureText(MapiULong code, const std::string& name) {
    switch (code) {
    case MAPI_USER_ABORT:
        return "User Abort - MAPI Resolve Name";
    case MAPI_E_LOGIN_FAILURE:
        return "Login Failure - MAPI Resolve Name";
    case MAPI_E_INSUFFICIENT_MEMORY:
        return "Insufficient Memory - MAPI Resolve Name";
    case MAPI_E_UNKNOWN_RECIPIENT:
        return "Unknown Recipient - " + name;
    case MAPI_E_AMBIGUOUS_RECIPIENT:
        return "Ambiguous Recipient - " + name;
    case MAPI_E_NOT_SUPPORTED:
        return "MAPI Resolve Name Not Supported";
    default:
        return "Unspecified error message - MAPI Resolve Name";
    }
}

std::string SendMailFailureText(MapiULong code) {
    switch (code) {
    case MAPI_USER_ABORT:
        return "User Abort - MAPI Send Mail";
    case MAPI_E_LOGIN_FAILURE:
        return "Login Failure - MAPI Send Mail";
    case MAPI_E_INSUFFICIENT_MEMORY:
        return "Insufficient Memory - MAPI Send Mail";
    case MAPI_E_TOO_MANY_FILES:
        return "Too Many Files - MAPI Send Mail";
    case MAPI_E_TOO_MANY_RECIPIENTS:
        return "Too Many Recipients - MAPI Send Mail";
    case MAPI_E_ATTACHMENT_NOT_FOUND:
        return "Attachment Not Found - MAPI Send Mail";
    case MAPI_E_ATTACHMENT_OPEN_FAILURE:
        return "Attachment Open Failure - MAPI Send Mail";
    case MAPI_E_UNKNOWN_RECIPIENT:
        return "Unknown Recipient - MAPI Send Mail";
    case MAPI_E_BAD_RECIPTYPE:
        return "Bad Recip Type - MAPI Send Mail";
    case MAPI_E_TEXT_TOO_LARGE:
        return "Text Too Large - MAPI Send Mail";
    case MAPI_E_AMBIGUOUS_RECIPIENT:
        return "Ambiguous Recipient - MAPI Send Mail";
    case MAPI_E_INVALID_RECIPS:
        return "Invalid Recipient - MAPI Send Mail";
    default:
        return "Unspecified error message - MAPI Send Mail";
    }
}

#!/usr/bin/python3
"""Reads one stored message as a mail reader would and prints what it shows, as JSON.

Usage: read_mail.py FILE.eml

Output: {"from", "to", "cc", "subject", "date", "message_id", "mime_version": decoded
header values or null; "header_names": every header name in order; "body": the decoded
text of the first text/plain part; "body_charset"; "attachments": [{"filename",
"content_type", "size", "sha256"}] in order; "defects": parser complaints}.
Attachment contents are hashed, never printed, so huge messages stay cheap to check.
"""

import email
import email.policy
import hashlib
import json
import sys


def header(message, name):
    value = message[name]
    return None if value is None else str(value)


def describe(message):
    body, charset, attachments = None, None, []
    defects = [type(d).__name__ for d in message.defects]
    for part in message.walk():
        defects += [type(d).__name__ for d in part.defects]
        if part.is_multipart():
            continue
        if part.get_content_disposition() == "attachment":
            data = part.get_payload(decode=True) or b""
            attachments.append({
                "filename": part.get_filename(),
                "content_type": part.get_content_type(),
                "size": len(data),
                "sha256": hashlib.sha256(data).hexdigest(),
            })
        elif body is None and part.get_content_type() == "text/plain":
            body = part.get_content()
            charset = part.get_content_charset()
    return {
        "from": header(message, "From"),
        "to": header(message, "To"),
        "cc": header(message, "Cc"),
        "subject": header(message, "Subject"),
        "date": header(message, "Date"),
        "message_id": header(message, "Message-ID"),
        "mime_version": header(message, "MIME-Version"),
        "header_names": list(message.keys()),
        "body": body,
        "body_charset": charset,
        "attachments": attachments,
        "defects": defects,
    }


if __name__ == "__main__":
    with open(sys.argv[1], "rb") as source:
        parsed = email.message_from_binary_file(source, policy=email.policy.default)
    json.dump(describe(parsed), sys.stdout)

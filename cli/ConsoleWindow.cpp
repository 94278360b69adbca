#include "ConsoleWindow.h"

ConsoleWindow::ConsoleWindow(GameRecord& game, std::ostream& out, std::ostream& err,
                             bool sendPastWarnings)
    : m_game(game), m_out(out), m_err(err), m_sendPastWarnings(sendPastWarnings) {}

void ConsoleWindow::ShowMessage(const std::string& text) {
    m_err << text << std::endl;
}

void ConsoleWindow::ShowReport(const std::string& text) {
    m_out << text << std::endl;
}

void ConsoleWindow::RefreshRow(int number) {
    ::RefreshRow(m_game, *this, number);
}

bool ConsoleWindow::AskSendAnyway(const std::string& warnings) {
    m_err << warnings << std::endl;
    if (!m_sendPastWarnings) {
        m_err << "Nothing was sent. Send again with --yes to send past these warnings."
              << std::endl;
    }
    return m_sendPastWarnings;
}

bool ConsoleWindow::AskSendRest(const std::string& outcome) {
    m_out << outcome << std::endl;
    m_err << "Send the rest with --unsent." << std::endl;
    return false;
}

bool ConsoleWindow::ShowProgress(int, const std::string& text) {
    // Flushed at once: a script watching the output sees each message go.
    m_out << text << std::endl;
    return true;
}

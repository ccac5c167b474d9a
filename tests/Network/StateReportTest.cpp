#include "Network/CHTTPSession.h"
#include "Network/CTCPAppSocket.h"
#include "platform/AlertPresenter.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// A connection whose owner answers every state change with a failure or a success.
template <typename Connection>
CTCPSocket* Owned(bool fail)
{
    auto* connection = new Connection;
    connection->StateCallback = [](Connection*) { return eGenericFailure; };
    if (!fail)
        connection->StateCallback = [](Connection*) { return eSuccess; };
    return connection;
}

} // namespace

// Every socket takes a new state the same way; the connection classes differ only in the
// owner they tell and the text a failing answer is reported with.
TEST(SocketStateReport, EachConnectionClassReportsAFailingOwnerWithItsOwnText)
{
    struct Case {
        const char* name;
        CTCPSocket* (*make)(bool fail);
        const char* text;
    };
    const Case cases[] = {
        {"plain socket", [](bool) { return new CTCPSocket; }, nullptr},
        {"HTTP session", Owned<CHTTPSession>, "HTTP session failed state change callback - CHTTPSession::ChangeState"},
        {"data pipe", Owned<CTCPAppSocket>,
            "Marten data pipe session failed state change callback - CTCPAppSocket::ChangeState"},
    };
    for (const Case& c : cases) {
        for (bool fail : {false, true}) {
            plat::RecordingAlertPresenter alerts;
            plat::SetAlertPresenter(&alerts);
            CTCPSocket* socket = c.make(fail);
            socket->ChangeState(eSocketClosed);
            plat::SetAlertPresenter(nullptr);
            EXPECT_EQ(socket->state, uint32_t(eSocketClosed)) << c.name;
            const bool reported = fail && c.text != nullptr;
            ASSERT_EQ(alerts.GetAlerts().size(), reported ? 1u : 0u) << c.name << (fail ? " failing" : "");
            if (reported) {
                EXPECT_NE(alerts.GetAlerts()[0].text.find(c.text), std::string::npos) << c.name;
            }
            delete socket;
        }
    }
}

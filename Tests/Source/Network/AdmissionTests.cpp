#include "Source/Network/Admission.h"
#include "Tests/LogCapture.h"

#include <gtest/gtest.h>

#include <vector>

namespace AdmissionTests
{

// One library slot whose connection came from a host, with the players the lockstep holds for it, and the
// slots the admission disconnected.
struct OneConnection final : Admission::Connections
{
    size_t players = 0;
    std::vector<int> disconnected;

    int GetMaxClients() const override { return 1; }
    bool IsConnected(int) const override { return disconnected.empty(); }
    Net::Address GetAddress(int) const override { return Net::Address("127.0.0.5", 40000); }
    size_t CountPlayers(int) const override { return players; }
    void Disconnect(int client) override { disconnected.push_back(client); }
};

// A connection taken in (or not, when the server seats no newcomers), with its players, a request held for
// the next match, refused messages and lines asked for; what the admission made of it. The connection's
// own line is the first the host's allowance of 20 a minute pays for; lines about players have their own.
TEST(AdmissionTest, SeatsHoldsRefusesAndBudgetsItsLinesOverTheFactsItIsGiven)
{
    struct Row
    {
        const char* what;
        bool seats; // and so seated and waiting to add players
        size_t players;
        uint8_t held;
        int refusals, lines;
        bool aboutPlayers;
        // What the admission made of it.
        bool holds, disconnected;
        int logged;
        uint64_t leftOut;
    };
    const Row rows[] = {
        {"a newcomer", true, 0, 0, 0, 0, false, false, false, 0, 0},
        {"a full server's newcomer", false, 0, 0, 0, 0, false, false, true, 0, 0},
        {"with players", true, 2, 0, 0, 0, false, true, false, 0, 0},
        {"held for the next match", true, 0, 2, 0, 0, false, true, false, 0, 0},
        {"held past what a request carries", true, 0, 5, 0, 0, false, false, false, 0, 0},
        {"refused short of the limit", true, 1, 0, 99, 0, false, true, false, 3, 0},
        {"refused to the limit", true, 1, 0, 100, 0, false, true, true, 3, 0},
        {"lines about the client", true, 1, 0, 0, 30, false, true, false, 19, 11},
        {"lines about its players", true, 1, 0, 0, 30, true, true, false, 20, 10},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.what);
        Lumvek::Testing::LogCapture log;
        OneConnection connection;
        connection.players = row.players;
        Admission admission(connection, 10.0);
        admission.SetSlotCount(1);
        admission.Accept(row.seats, 0.0);
        if (row.held > 0)
            admission.Hold(0, {row.held, {}});
        int logged = 0;
        for (int i = 0; i < row.refusals; ++i)
            logged += admission.Refuse(0, GameMessageType::SetVote, 0.0) ? 1 : 0;
        for (int i = 0; i < row.lines; ++i)
            logged += admission.MayLog(0, row.aboutPlayers, 0.0) ? 1 : 0;
        EXPECT_EQ(admission.IsSeated(0), row.seats);
        EXPECT_EQ(admission.WaitingConnections(), row.seats ? 1u : 0u);
        EXPECT_EQ(admission.HoldsPlayers(0), row.holds);
        EXPECT_EQ(!connection.disconnected.empty(), row.disconnected);
        EXPECT_EQ(logged, row.logged);
        EXPECT_EQ(admission.TakeLinesLeftOut(0.0), row.leftOut);
    }
}

} // namespace AdmissionTests

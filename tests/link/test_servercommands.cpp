// The reference server's command lines: what each one sends, queues or says, against scripted
// message windows that answer every send.
#include "tests/link/fake_platform.h"
#include "tools/servercommands.h"
#include "tools/tutorixserver.h"

#include <gtest/gtest.h>

namespace {

constexpr quint32 kParty = 0x0000abcd;
constexpr quint32 kAsker = 0x00001234;

class ServerCommands : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QString error;
        ASSERT_TRUE(server.Start(error)) << error.toStdString();
        windows.alive.insert({kParty, kAsker});
        windows.script = [](const FakeWindows::Sent&) { return 7; };
        TByteStream record;
        WriteEntityRecord(record, {kParty, 0, "/opt/sim/prog", "two words"});
        windows.Deliver(server.Handle(), kParty, msgRegister, {1, 1}, record.Data());
        lines.clear();
    }
    // A request of kAsker that gets a reply, and so carries what was queued for it.
    void Ask()
    {
        TByteStream request;
        request.WriteString("x");
        windows.Deliver(server.Handle(), kAsker, msgQueryString, {2, 2}, request.Data());
    }

    FakeWindows windows;
    QByteArrayList lines;
    TTutorixServer server{{}, windows, [this](const QByteArray& line) { lines << line; }};
    TServerCommands commands{server};
};

TEST_F(ServerCommands, SendAtOnceToAPartyByHandleOrTitle)
{
    const struct
    {
        QByteArray command;
        quint32 code;
        QByteArray content;
        QByteArray line;
    } cases[] = {
        {"quit 0000abcd", msgQuit, QByteArray(1, '\0'), "sent quit to=0000abcd result=7"},
        {"quit title:two%20words 2", msgQuit, "\2", "sent quit to=0000abcd result=7"},
        {"params 0000abcd a b%20c", msgParams, "a\r\nb c\r\n", "sent params to=0000abcd result=7"},
        {"params 0000abcd", msgParams, "", "sent params to=0000abcd result=7"},
        {"send 0000abcd 5000 00ff", 5000, QByteArray("\0\xff", 2), "sent send to=0000abcd result=7"},
        {"  send   0000ABCD 5001  ", 5001, "", "sent send to=0000abcd result=7"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command.constData());
        windows.log.clear();
        lines.clear();
        EXPECT_TRUE(commands.Command(c.command));
        ASSERT_EQ(windows.log.size(), 1u);
        EXPECT_EQ(windows.log[0].target, kParty);
        EXPECT_EQ(windows.log[0].wParam, server.Handle());
        EXPECT_EQ(windows.log[0].code, c.code);
        EXPECT_EQ(windows.log[0].content, c.content);
        EXPECT_EQ(lines, QByteArrayList{c.line});
    }
}

TEST_F(ServerCommands, RefuseWhatTheyCannotReadWithoutSending)
{
    const struct
    {
        QByteArray command;
        QByteArray line;
    } cases[] = {
        {"quit", "error usage: quit PARTY [BYTE] | params PARTY [ENTRY...] | send PARTY CODE [HEX]"},
        {"send 0000abcd", "error usage: quit PARTY [BYTE] | params PARTY [ENTRY...] | send PARTY CODE [HEX]"},
        {"params abcd", "error no such party: abcd"},
        {"quit title:nobody", "error no such party: title:nobody"},
        {"quit 0000abcg", "error no such party: 0000abcg"},
        {"nested", "error usage: nested quit [BYTE] | nested params [ENTRY...] | nested send CODE [HEX]"},
        {"nested send", "error usage: nested quit [BYTE] | nested params [ENTRY...] | nested send CODE [HEX]"},
        {"nested other", "error usage: nested quit [BYTE] | nested params [ENTRY...] | nested send CODE [HEX]"},
        {"hello%\x01", "error unknown command: hello%25%01"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command.constData());
        lines.clear();
        EXPECT_TRUE(commands.Command(c.command));
        EXPECT_EQ(lines, QByteArrayList{c.line});
    }
    EXPECT_TRUE(windows.log.empty());
    lines.clear();
    EXPECT_TRUE(commands.Command("   "));
    EXPECT_TRUE(lines.isEmpty()) << "an empty line is no command";
    EXPECT_FALSE(commands.Command("exit"));
}

// A queued message goes to the party of the next request that gets a reply, before the reply,
// once; the last one queued wins.
TEST_F(ServerCommands, QueueANestedMessageForTheNextRequest)
{
    EXPECT_TRUE(commands.Command("nested quit 1"));
    EXPECT_TRUE(commands.Command("nested send 5002 abcd"));
    EXPECT_EQ(lines, (QByteArrayList{"queued nested quit", "queued nested send"}));
    lines.clear();
    windows.log.clear();
    Ask();
    ASSERT_EQ(windows.log.size(), 2u);
    EXPECT_EQ(windows.log[0].code, 5002u);
    EXPECT_EQ(windows.log[0].content, QByteArray("\xab\xcd"));
    EXPECT_EQ(windows.log[1].code, msgReply);
    EXPECT_EQ(lines.value(1), "sent message to=00001234 code=5002 result=7 nested=1");

    windows.log.clear();
    Ask();
    EXPECT_EQ(windows.log.size(), 1u) << "only once";
}

TEST_F(ServerCommands, ListTheLivePartiesAndQueueALateReply)
{
    EXPECT_TRUE(commands.Command("list"));
    EXPECT_EQ(lines, (QByteArrayList{"party handle=0000abcd mutex=00000000 file=/opt/sim/prog title=two%20words",
                                      "listed count=1"}));
    lines.clear();
    EXPECT_TRUE(commands.Command("late"));
    EXPECT_EQ(lines, QByteArrayList{"queued late"});
    windows.log.clear();
    Ask();
    EXPECT_TRUE(windows.log.empty()) << "the reply waits for the event loop";
}

} // namespace

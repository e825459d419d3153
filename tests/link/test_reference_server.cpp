// The reference teaching server in this process, on scripted message windows: its party list,
// its limits and what it reports about its own sends.
#include "tests/link/fake_platform.h"
#include "tools/servercommands.h"
#include "tools/tutorixserver.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

constexpr quint32 kAsker = 0xA5A5;

class ReferenceServer : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QString error;
        ASSERT_TRUE(server.Start(error)) << error.toStdString();
        windows.alive.insert(kAsker);
    }

    void Register(quint32 handle, const QByteArray& title, const QByteArray& file = "/opt/sim/prog")
    {
        TByteStream content;
        WriteEntityRecord(content, {handle, 0, file, title});
        windows.Deliver(server.Handle(), handle, msgRegister, {1, 1}, content.Data());
    }
    // The handle found by title for kAsker, 0 for none.
    quint32 FindByTitle(const QByteArray& title)
    {
        TByteStream request;
        request.WriteByte(feByTitle);
        request.WriteString(title);
        windows.log.clear();
        windows.Deliver(server.Handle(), kAsker, msgFindEntity, {2, 2}, request.Data());
        if (windows.log.size() != 1 || windows.log[0].content.isEmpty())
            return 0;
        TByteStream reply;
        reply.SetData(windows.log[0].content);
        return ReadEntityRecord(reply).Handle;
    }
    qsizetype Count(const QByteArray& prefix) const
    {
        qsizetype count = 0;
        for (const QByteArray& line : lines)
            count += line.startsWith(prefix) ? 1 : 0;
        return count;
    }
    QByteArray Last() const { return lines.value(lines.size() - 1); }

    FakeWindows windows;
    QByteArrayList lines;
    TTutorixServer server{{}, windows, [this](const QByteArray& line) { lines << line; }};
    TServerCommands commands{server};
};

// A party killed without unregistering is found gone on the next lookup or list and dropped,
// so that a title names the live party that registered after it.
TEST_F(ReferenceServer, DropsPartiesWhoseWindowHasGoneOnLookupAndList)
{
    windows.alive.insert({0x1111, 0x2222, 0x3333});
    Register(0x1111, "dscdma");
    Register(0x2222, "dscdma");
    Register(0x3333, "other");
    EXPECT_EQ(FindByTitle("dscdma"), 0x1111u);

    windows.alive.erase(0x1111); // killed
    EXPECT_EQ(FindByTitle("dscdma"), 0x2222u);
    EXPECT_EQ(Count("dropped handle=00001111"), 1);

    windows.alive.erase(0x3333);
    lines.clear();
    commands.Command("list");
    EXPECT_EQ(lines, (QByteArrayList{"dropped handle=00003333 mutex=00000000 file=/opt/sim/prog title=other",
                                      "party handle=00002222 mutex=00000000 file=/opt/sim/prog title=dscdma",
                                      "listed count=1"}));

    windows.alive.erase(0x2222);
    EXPECT_EQ(FindByTitle("dscdma"), 0u);
    TByteStream byHandle;
    byHandle.WriteByte(feByHandle);
    byHandle.WriteInt32(0x2222);
    lines.clear();
    windows.Deliver(server.Handle(), kAsker, msgFindEntity, {3, 3}, byHandle.Data());
    EXPECT_TRUE(Last().contains("found=none")) << Last().constData();
}

// The list keeps at most MaxParties; at the cap the gone ones make room, and only a list of
// live parties refuses the next. Names longer than MaxPartyText are refused, and not written out.
TEST_F(ReferenceServer, KeepsABoundedListOfParties)
{
    for (quint32 i = 0; i < TPartyRegistry::MaxParties; ++i) {
        windows.alive.insert(0x10000 + i);
        Register(0x10000 + i, "t" + QByteArray::number(i));
    }
    EXPECT_EQ(Count("recv register"), TPartyRegistry::MaxParties);
    EXPECT_TRUE(std::none_of(lines.begin(), lines.end(), [](const QByteArray& line) { return line.contains("refused"); }))
        << "all of them taken";
    windows.alive.insert(0x9999);
    Register(0x9999, "late");
    EXPECT_TRUE(Last().endsWith(" refused=full")) << Last().constData();
    EXPECT_EQ(FindByTitle("late"), 0u);

    windows.alive.erase(0x10000);
    Register(0x9999, "late");
    EXPECT_FALSE(Last().contains("refused")) << Last().constData();
    EXPECT_EQ(FindByTitle("late"), 0x9999u);
    EXPECT_EQ(Count("dropped handle=00010000"), 1);

    windows.alive.erase(0x10001); // room for the next
    windows.alive.insert(0x7777);
    const QByteArray longest(TPartyRegistry::MaxPartyText, 'f');
    Register(0x7777, "x", longest + 'f');
    EXPECT_TRUE(Last().endsWith("handle=00007777 file-size=4097 title-size=1 refused=too-long")) << Last().left(200).constData();
    Register(0x7777, longest, "/f");
    EXPECT_FALSE(Last().contains("refused")) << "exactly the longest title";
}

// A parameter message beyond the list's limits is reported by its size, not written out.
TEST_F(ReferenceServer, ReportsParametersBeyondTheListsLimitsByTheirSize)
{
    windows.Deliver(server.Handle(), kAsker, msgParams, {4, 4}, QByteArray(MaxParamEntries, '\n'));
    EXPECT_TRUE(Last().contains(" count=4096 ")) << Last().left(100).constData();
    windows.Deliver(server.Handle(), kAsker, msgParams, {4, 4}, QByteArray(MaxParamEntries + 1, '\n'));
    EXPECT_EQ(Last(), "recv params from=0000a5a5 stamp=4:4 refused size=4097");
}

// A quit or parameters to a window that is not there, or that takes the message and never
// answers, are errors; only an answered send is "sent".
TEST_F(ReferenceServer, ReportsSendsThatWereNotDeliveredOrNotAnsweredAsErrors)
{
    const struct
    {
        const char* command;
        TMessageWindows::SendOutcome outcome;
        QByteArray line;
    } cases[] = {
        {"quit 12345678 0", TMessageWindows::SendOutcome::NotDelivered, "error quit to=12345678 not delivered"},
        {"params 12345678 a", TMessageWindows::SendOutcome::Unanswered, "error params to=12345678 unanswered"},
        {"send 12345678 5000 ab", TMessageWindows::SendOutcome::Answered, "sent send to=12345678 result=3"},
    };
    for (const auto& c : cases) {
        windows.script = [&](const FakeWindows::Sent&) {
            windows.outcome = c.outcome;
            return c.outcome == TMessageWindows::SendOutcome::Answered ? 3 : 0;
        };
        commands.Command(c.command);
        EXPECT_EQ(Last(), c.line) << c.command;
    }

    // The same for the nested sends, made while a request is handled.
    windows.script = [&](const FakeWindows::Sent& sent) {
        windows.outcome = sent.code == msgQuit ? TMessageWindows::SendOutcome::NotDelivered
                                               : TMessageWindows::SendOutcome::Answered;
        return 0;
    };
    commands.Command("nested quit 1");
    TByteStream request;
    request.WriteString("x");
    windows.Deliver(server.Handle(), kAsker, msgQueryString, {5, 5}, request.Data());
    EXPECT_EQ(Count("error quit to=0000a5a5 not delivered nested=1"), 1);
}

} // namespace

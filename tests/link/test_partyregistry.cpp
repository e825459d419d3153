// The reference server's list of parties on its own: who joins, who is found, who is dropped.
#include "tests/link/fake_platform.h"
#include "tools/partyregistry.h"

#include <gtest/gtest.h>

namespace {

class PartyRegistry : public ::testing::Test
{
protected:
    TEntityRecord Party(quint32 handle, const QByteArray& title)
    {
        windows.alive.insert(handle);
        return {handle, 0, "/opt/" + title, title};
    }

    FakeWindows windows;
    QByteArrayList reports;
    TPartyRegistry registry{windows, [this](const QByteArray& line) { reports << line; }};
};

// A party registered again replaces its entry rather than adding one; the earliest of a
// title answers, and the one asking is never its own answer.
TEST_F(PartyRegistry, FindsByHandleAndByTheEarliestTitleOfAnotherParty)
{
    EXPECT_EQ(registry.Register(Party(1, "sim")), QByteArray());
    EXPECT_EQ(registry.Register(Party(2, "sim")), QByteArray());
    EXPECT_EQ(registry.Register(Party(1, "renamed")), QByteArray());
    EXPECT_EQ(registry.Live().size(), 2u);
    EXPECT_EQ(registry.ByTitle("sim", 0)->Handle, 2u);
    EXPECT_FALSE(registry.ByTitle("sim", 2));
    EXPECT_EQ(registry.ByHandle(1)->Title, QByteArray("renamed"));
    registry.Unregister(1);
    EXPECT_FALSE(registry.ByHandle(1));
    EXPECT_TRUE(reports.isEmpty());
}

TEST_F(PartyRegistry, DropsAndReportsThePartiesWhoseWindowsHaveGone)
{
    registry.Register(Party(1, "a"));
    registry.Register(Party(2, "b"));
    registry.Register(Party(3, "a"));
    windows.alive.erase(1);
    EXPECT_EQ(registry.ByTitle("a", 0)->Handle, 3u);
    EXPECT_EQ(reports, QByteArrayList{"dropped handle=00000001 mutex=00000000 file=/opt/a title=a"});
    windows.alive.erase(2);
    reports.clear();
    EXPECT_EQ(registry.ByHandle(3)->Handle, 3u) << "a lookup drops only the gone parties it meets";
    EXPECT_TRUE(reports.isEmpty());
    EXPECT_EQ(registry.Live().size(), 1u);
    EXPECT_EQ(reports, QByteArrayList{"dropped handle=00000002 mutex=00000000 file=/opt/b title=b"});
}

// Texts up to the limit are taken, one byte longer refused; a full list makes room only by
// dropping gone parties.
TEST_F(PartyRegistry, RefusesTooLongTextsAndAFullList)
{
    const QByteArray longest(TPartyRegistry::MaxPartyText, 't');
    TEntityRecord party = Party(1, longest);
    party.FileName = longest;
    EXPECT_EQ(registry.Register(party), QByteArray());
    party.Title += 't';
    EXPECT_EQ(registry.Register(party), QByteArray("too-long"));
    EXPECT_FALSE(registry.ByHandle(1)) << "the old entry of its handle is gone too";
    party = Party(1, "x");
    party.FileName = longest + 'f';
    EXPECT_EQ(registry.Register(party), QByteArray("too-long"));

    for (quint32 handle = 1; handle <= TPartyRegistry::MaxParties; ++handle)
        ASSERT_EQ(registry.Register(Party(handle, "p")), QByteArray());
    const TEntityRecord late = Party(0x9999, "late");
    EXPECT_EQ(registry.Register(late), QByteArray("full"));
    windows.alive.erase(7);
    EXPECT_EQ(registry.Register(late), QByteArray());
    EXPECT_EQ(registry.Live().size(), size_t(TPartyRegistry::MaxParties));
}

} // namespace

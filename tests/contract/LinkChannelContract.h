// What the link channel promises on every platform, between this process and a peer process
// that listens. Instantiate it with a backend type that has
//   kRoom                 the payload bytes that arrive whole, ownPid() this process,
//   Peer                  a started peer: window() (0 when it never listened), bool
//                         handled(kind, payload) (the last message its handler took was this, from
//                         this process), bool waitForExit().
// The peer answers a LinkReady with "1" when the report names its sender's process, else "0";
// a close request with "bye", ending itself; a command "sleep <ms>" after sleeping that long;
// anything else with the payload's byte count.
#pragma once

#include "LinkChannel.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kivra::contract {

template <typename Backend>
class LinkChannelContract : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(peer_.window(), 0u) << "the peer did not listen"; }
    SendResult send(ChannelKind kind, const std::string& payload, std::string* reply = nullptr,
                    std::chrono::milliseconds timeout = std::chrono::seconds(3)) {
        return sendChannelMessage(peer_.window(), kind, payload, timeout, reply);
    }
    typename Backend::Peer peer_;
};

TYPED_TEST_SUITE_P(LinkChannelContract);

TYPED_TEST_P(LinkChannelContract, PayloadsArriveWholeOrCutOnACharacterBoundary) {
    const std::size_t room = TypeParam::kRoom;
    const std::string euro = "\xE2\x82\xAC", smile = "\xF0\x9F\x99\x82";
    const std::string title = "Caf\xC3\xA9 \xE4\xB8\x96\xE7\x95\x8C " + smile + " \\ \t tab  ";
    const struct {
        ChannelKind kind;
        std::string sent, arrives;
    } rows[] = {
        {ChannelKind::Rename, title, title},
        {ChannelKind::Rename, std::string("ab\0cd", 5), "ab"},
        {ChannelKind::Rename, std::string(300, 'x'), std::string(room, 'x')},
        {ChannelKind::Rename, std::string(room - 3, 'a') + euro + "b", std::string(room - 3, 'a') + euro},
        {ChannelKind::Rename, std::string(room - 3, 'a') + smile, std::string(room - 3, 'a')},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::to_string(static_cast<int>(row.kind)) + " size " + std::to_string(row.sent.size()));
        std::string reply = "stale";
        EXPECT_EQ(this->send(row.kind, row.sent, &reply), SendResult::Delivered);
        EXPECT_EQ(reply, std::to_string(row.arrives.size()));
        EXPECT_TRUE(this->peer_.handled(row.kind, row.arrives));
    }
}

TYPED_TEST_P(LinkChannelContract, LinkReadyIsAnsweredByWhetherTheReportNamesItsSender) {
    LinkReadyReport report{this->peer_.window(), TypeParam::ownPid(), 42};
    std::string reply;
    EXPECT_EQ(this->send(ChannelKind::LinkReady, formatLinkReady(report), &reply), SendResult::Delivered);
    EXPECT_EQ(reply, kLinkRecorded);
    report.pid += 1;
    EXPECT_EQ(this->send(ChannelKind::LinkReady, formatLinkReady(report), &reply), SendResult::Delivered);
    EXPECT_EQ(reply, kLinkUnknown);
}

TYPED_TEST_P(LinkChannelContract, UnknownKindsAreIgnoredWithoutReachingTheHandler) {
    ASSERT_EQ(this->send(ChannelKind::Command, "4"), SendResult::Delivered);
    for (const std::uint32_t kind : {0u, 4u, 99u, 104u, 0xFFFFu}) {
        std::string reply = "stale";
        EXPECT_EQ(this->send(static_cast<ChannelKind>(kind), "x", &reply), SendResult::Ignored) << kind;
        EXPECT_EQ(reply, "");
    }
    EXPECT_TRUE(this->peer_.handled(ChannelKind::Command, "4"));
}

TYPED_TEST_P(LinkChannelContract, ACloseRequestEndsTheReceiverAndNobodyAnswersAfter) {
    std::string reply;
    EXPECT_EQ(this->send(ChannelKind::CloseRequest, "", &reply), SendResult::Delivered);
    EXPECT_EQ(reply, "bye");
    EXPECT_TRUE(this->peer_.waitForExit());
    EXPECT_EQ(this->send(ChannelKind::Command, "0"), SendResult::NoReceiver);
}

// A hung receiver costs the sender its timeout, not a hang; the receiver finishes the message
// in hand and takes the next one when it wakes.
TYPED_TEST_P(LinkChannelContract, AHungReceiverTimesOutThenCarriesOn) {
    std::string reply = "stale";
    EXPECT_EQ(this->send(ChannelKind::Command, "sleep 600", &reply, std::chrono::milliseconds(100)),
              SendResult::TimedOut);
    EXPECT_EQ(reply, "");
    EXPECT_EQ(this->send(ChannelKind::ReloadMatchOptions, "1", &reply, std::chrono::seconds(5)), SendResult::Delivered);
    EXPECT_EQ(reply, "1");
}

REGISTER_TYPED_TEST_SUITE_P(LinkChannelContract, PayloadsArriveWholeOrCutOnACharacterBoundary,
                            LinkReadyIsAnsweredByWhetherTheReportNamesItsSender,
                            UnknownKindsAreIgnoredWithoutReachingTheHandler,
                            ACloseRequestEndsTheReceiverAndNobodyAnswersAfter, AHungReceiverTimesOutThenCarriesOn);

}  // namespace kivra::contract

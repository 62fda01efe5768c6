#include "presence/session_enumeration.h"

#include <gtest/gtest.h>

#include <vector>

namespace lobbyfind::presence {
namespace {

std::vector<unsigned> Bytes(const std::string& text) {
  std::vector<unsigned> out;
  for (char c : text) out.push_back(static_cast<unsigned char>(c));
  return out;
}

TEST(SessionRequest, IsTheFiftyTwoBytesTheGameExpects) {
  const std::vector<unsigned> expected = {
      0x34, 0x00, 0xB0, 0xFA,                          // size 52, token FAB
      0x02, 0x00, 0x08, 0xFC,                          // family 2, answer port 2300
      0x00, 0x00, 0x00, 0x00,                          // no answer address
      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // padding
      0x70, 0x6C, 0x61, 0x79,                          // "play"
      0x02, 0x00, 0x0E, 0x00,                          // command 2, version 14
      0x20, 0x89, 0x1E, 0x56, 0x70, 0x5C, 0xD2, 0x11,  // application GUID
      0xAD, 0x00, 0x00, 0xA0, 0xC9, 0xB6, 0x13, 0x98,  //
      0x00, 0x00, 0x00, 0x00,                          // no password
      0x11, 0x00, 0x00, 0x00,                          // enumeration flags
  };
  EXPECT_EQ(Bytes(SessionRequest()), expected);
  EXPECT_EQ(SessionRequest().size(), kSessionRequestSize);
}

TEST(IsGameSessionRequest, AcceptsTheRequestAndRejectsAnyOtherMessage) {
  EXPECT_TRUE(IsGameSessionRequest(SessionRequest()));
  struct Case {
    const char* what;
    std::size_t offset;
    char value;
  };
  for (const Case& c : {Case{"signature", 20, 'P'}, Case{"command", 24, 1}, Case{"GUID first byte", 28, 0x21},
                        Case{"GUID last byte", 43, 0x00}}) {
    std::string request = SessionRequest();
    request[c.offset] = c.value;
    EXPECT_FALSE(IsGameSessionRequest(request)) << c.what;
  }
  EXPECT_FALSE(IsGameSessionRequest(SessionRequest().substr(0, 43)));
  EXPECT_FALSE(IsGameSessionRequest(""));
}

TEST(AnswerGamePort, ReadsBytesSixAndSevenHighByteFirst) {
  struct Case {
    std::string answer;
    std::uint16_t port;
  };
  const std::vector<Case> cases = {
      {std::string("\0\0\0\0\2\0\x08\xFC", 8), 2300},
      {std::string("\0\0\0\0\2\0\x01\x02xyz", 11), 258},
      {std::string("\0\0\0\0\2\0\x09", 7), 9 * 256},  // missing byte reads as zero
      {std::string("abc"), 0},
      {std::string(), 0},
  };
  for (const Case& c : cases) EXPECT_EQ(AnswerGamePort(c.answer), c.port) << c.answer.size() << " bytes";
}

TEST(SessionReply, CarriesTheGamePortSizeAndName) {
  const std::string reply = SessionReply(0x1234, "Bob", 6, 1);
  EXPECT_EQ(AnswerGamePort(reply), 0x1234);
  const auto bytes = Bytes(reply);
  const unsigned size = bytes[0] | (bytes[1] << 8) | ((bytes[2] & 0x0F) << 16);
  EXPECT_EQ(size, reply.size());
  EXPECT_EQ(reply.substr(20, 4), "play");
  EXPECT_EQ(bytes[24], 1U);  // an answer, not a request
  EXPECT_FALSE(IsGameSessionRequest(reply));
  EXPECT_EQ(reply.substr(reply.size() - 8), std::string("B\0o\0b\0\0\0", 8));
}

}  // namespace
}  // namespace lobbyfind::presence

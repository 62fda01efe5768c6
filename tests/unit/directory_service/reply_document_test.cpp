#include "reply_document.h"

#include <gtest/gtest.h>

namespace lobbyfind::directory_service {
namespace {

TEST(UtcTimestamp, FormatsUnixMilliseconds) {
  EXPECT_EQ(UtcTimestamp(0), "1970-01-01 00:00:00");
  EXPECT_EQ(UtcTimestamp(1714564800999), "2024-05-01 12:00:00");
  EXPECT_EQ(UtcTimestamp(951782400000), "2000-02-29 00:00:00");
  EXPECT_EQ(UtcTimestamp(1704067199000), "2023-12-31 23:59:59");
}

TEST(ServersDocument, OneServerElementPerEntryWithAllSixFields) {
  const std::vector<ServerEntry> entries = {
      {"10.0.0.1", 2300, "Anna", "Downtown", "4", 0, 1714564800000},
      {"10.0.0.2", 2301, "", "", "", 0, 1714564801000},
  };
  EXPECT_EQ(ServersDocument(entries),
            "<titel>SERVERS</titel>\n"
            "<server><servername>Anna</servername><lastupdate>2024-05-01 12:00:00</lastupdate>"
            "<ip>10.0.0.1</ip><map>Downtown</map><port>2300</port><version>4</version></server>\n"
            "<server><servername></servername><lastupdate>2024-05-01 12:00:01</lastupdate>"
            "<ip>10.0.0.2</ip><map></map><port>2301</port><version></version></server>\n");
  EXPECT_EQ(ServersDocument({}), "<titel>SERVERS</titel>\n");
}

TEST(VersionDocument, CurrencyUpdateAddressAndChanges) {
  const std::vector<ChangeEntry> changes = {{5, "2024-05-01", "Faster list"}, {std::nullopt, "2024-01-01", "Fix"}};
  EXPECT_EQ(VersionDocument(false, "http://example.org/", changes),
            "<titel>VERSION</titel>\n<aktualitaet>veraltet</aktualitaet>\n"
            "<updateurl>http://example.org/</updateurl>\n"
            "<eintrag><inhalt>Faster list</inhalt><zeitpunkt>2024-05-01</zeitpunkt></eintrag>\n"
            "<eintrag><inhalt>Fix</inhalt><zeitpunkt>2024-01-01</zeitpunkt></eintrag>\n");
  EXPECT_EQ(VersionDocument(true, "", {}),
            "<titel>VERSION</titel>\n<aktualitaet>aktuell</aktualitaet>\n<updateurl></updateurl>\n");
}

TEST(NewsDocument, EntriesInGivenOrderWithAllFourFields) {
  const std::vector<NewsEntry> news = {{"2024-06-01", "Bob", "Second", "b"}, {"2024-01-01", "Anna", "First", "a\r\nz"}};
  EXPECT_EQ(NewsDocument(news),
            "<titel>NEWS</titel>\n"
            "<eintrag><zeitpunkt>2024-06-01</zeitpunkt><autor>Bob</autor><content>b</content>"
            "<title>Second</title></eintrag>\n"
            "<eintrag><zeitpunkt>2024-01-01</zeitpunkt><autor>Anna</autor><content>a\r\nz</content>"
            "<title>First</title></eintrag>\n");
}

TEST(AcknowledgementDocument, NamesTheRequest) {
  EXPECT_EQ(AcknowledgementDocument("ADDSERVER"), "<titel>ADDSERVER</titel>\n");
}

}  // namespace
}  // namespace lobbyfind::directory_service

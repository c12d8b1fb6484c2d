#include "publish/rss_feed.h"

#include "support/deployment.h"
#include "support/plain_runs.h"
#include "support/room_writer.h"
#include "support/settings.h"
#include "support/text_helpers.h"
#include "support/text_tools.h"
#include "support/utf8_text.h"
#include "tasklist/list_format.h"

namespace {

constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";

bool IsXmlCharacter(char32_t c) {
  return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
         (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

// The bytes copied as they are into character data and into a comment:
// printable ASCII, without the markup characters in character data.
constexpr PlainByteSet kPlainText = {0x20, 0x7F, {'&', '<', '>', '&'}};
constexpr PlainByteSet kPlainComment = {0x20, 0x7F, {'\0', '\0', '\0', '\0'}};

// The most bytes one byte of a text takes once made safe: "&amp;".
constexpr size_t kMostPerSafeByte = 5;

// Writes what XML 1.0 allows of `text`, escaping markup characters when asked.
void PutXmlSafe(RoomWriter& w, std::string_view text, bool escapeMarkup) {
  // Printable ASCII other than markup is the usual case: copied a run at a time.
  ForEachPlainRun(
      text, escapeMarkup ? kPlainText : kPlainComment, [&w](std::string_view run) { w.Put(run); },
      [&w, text, escapeMarkup](size_t at) {
        char32_t codePoint = 0;
        const size_t length = DecodeUtf8Char(text.substr(at), codePoint);
        if (length == 0) {
          w.Put(kReplacementCharacter);
          return at + 1;
        }
        if (IsXmlCharacter(codePoint)) {
          if (escapeMarkup && codePoint == '&') {
            w.Put("&amp;");
          } else if (escapeMarkup && codePoint == '<') {
            w.Put("&lt;");
          } else if (escapeMarkup && codePoint == '>') {
            w.Put("&gt;");
          } else {
            w.Put(text.substr(at, length));
          }
        }
        return at + length;
      });
}

void AppendXmlSafe(std::string& out, std::string_view text, bool escapeMarkup) {
  RoomWriter w(out, kMostPerSafeByte * text.size());
  PutXmlSafe(w, text, escapeMarkup);
  w.Finish();
}

std::string XmlSafe(std::string_view text, bool escapeMarkup) {
  std::string out;
  out.reserve(text.size());
  AppendXmlSafe(out, text, escapeMarkup);
  return out;
}

// Appends "<name>", the value made safe, "</name>" and the line end.
void AppendElement(std::string& out, std::string_view name, std::string_view value) {
  out.append("<").append(name).append(">");
  AppendFeedText(out, value);
  out.append("</").append(name).append(">").append(kCrLf);
}

std::string Element(std::string_view name, std::string_view value) {
  std::string out;
  AppendElement(out, name, value);
  return out;
}

}  // namespace

void AppendFeedText(std::string& out, std::string_view text) {
  AppendXmlSafe(out, text, true);
}

std::string FeedCommentText(std::string_view text) {
  const std::string safe = XmlSafe(text, false);
  std::string out;
  for (const char c : safe) {
    if (c == '-' && !out.empty() && out.back() == '-') continue;
    out += c;
  }
  return out;
}

std::string FeedHeader(DateTime now, const std::string& listFile) {
  return std::string("<?xml version=\"1.0\" encoding=\"UTF-8\" ?>") + kCrLf +
         "<!-- Generated: " + reported::ShortDateTimeText(now) + " by Varno.exe v" + kVersion +
         " Main():6910 sJSONFile=\"" + FeedCommentText(listFile) + "\" -->" + kCrLf;
}

std::string FeedChannel(const std::string& feedName, const std::string& feedLink,
                        DateTime universalNow) {
  return std::string("<rss version=\"2.0\">") + kCrLf + "<channel>" + kCrLf +
         Element("title", feedName) + Element("description", kVersion) + Element("link", feedLink) +
         "<language>en-us</language>" + kCrLf +
         Element("generator", processSettings.selfName + " " + processSettings.version) +
         Element("copyright", kFeedCopyright) + Element("managingEditor", kFeedManagingEditor) +
         Element("webMaster", kFeedWebMaster) +
         Element("pubDate", reported::Rfc822DateText(0, universalNow)) + "<ttl>5</ttl>" + kCrLf;
}

void AppendFeedItem(std::string& feed, int32_t activeCount, const Item& item,
                    std::string_view itemLink, std::string_view uid) {
  // Most descriptions hold no escape and are their own decoding.
  std::string decoded;
  const std::string_view description = DecodeURLEscapes(item.description, decoded);
  // The fixed texts, the number and the line ends take less than 180 bytes.
  const size_t values =
      item.displayTitle.size() + description.size() + 2 * itemLink.size() + uid.size();
  RoomWriter w(feed, 180 + kMostPerSafeByte * values);
  w.Put("<item>\r\n<title>");
  w.PutNumber(activeCount);
  w.Put(". ");
  PutXmlSafe(w, item.displayTitle, true);
  w.Put("</title>\r\n<description>");
  PutXmlSafe(w, description, true);
  w.Put("</description>\r\n");
  if (!itemLink.empty()) {
    w.Put("<link>");
    PutXmlSafe(w, itemLink, true);
    w.Put("</link>\r\n");
  }
  if (uid.empty()) {
    w.Put("<guid>");
    PutXmlSafe(w, itemLink, true);
  } else {
    w.Put("<guid isPermaLink=\"false\">");
    PutXmlSafe(w, uid, true);
  }
  w.Put("</guid>\r\n</item>\r\n");
  w.Finish();
}

void CloseFeed(std::string& feed) {
  feed += std::string("</channel>") + kCrLf + "</rss>";
}

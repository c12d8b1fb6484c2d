#include "web/page_text.h"

#include <cstdio>
#include <stdexcept>

std::string HtmlText(std::string_view text) {
  std::string out;
  for (const char c : text) {
    if (c == '&') {
      out += "&amp;";
    } else if (c == '<') {
      out += "&lt;";
    } else if (c == '>') {
      out += "&gt;";
    } else if (c == '"') {
      out += "&quot;";
    } else if (c == '\'') {
      out += "&#39;";
    } else {
      out += c;
    }
  }
  return out;
}

std::string ScriptString(std::string_view text) {
  std::string out = "'";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '\\' || c == '\'') {
      out += '\\';
      out += c;
    } else if (byte < 0x20 || byte == 0x7f || c == '<' || c == '>' || c == '&') {
      // Keeps "</script>" and "<!--" out of the script element.
      char escaped[5];
      std::snprintf(escaped, sizeof escaped, "\\x%02x", byte);
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + "'";
}

std::string FillPageTemplate(std::string_view pageTemplate,
                             const std::map<std::string, std::string>& values) {
  static constexpr std::string_view kMark = "@@";
  std::string filled;
  size_t pos = 0;
  while (pos < pageTemplate.size()) {
    const size_t open = pageTemplate.find(kMark, pos);
    if (open == std::string_view::npos) {
      filled.append(pageTemplate.substr(pos));
      break;
    }
    const size_t close = pageTemplate.find(kMark, open + kMark.size());
    if (close == std::string_view::npos) throw std::invalid_argument("unclosed page template name");
    filled.append(pageTemplate.substr(pos, open - pos));
    const std::string name(pageTemplate.substr(open + kMark.size(), close - open - kMark.size()));
    const auto value = values.find(name);
    if (value == values.end())
      throw std::invalid_argument("no value for page template name " + name);
    filled += value->second;
    pos = close + kMark.size();
  }
  std::string text;
  text.reserve(filled.size() + filled.size() / 16);
  for (const char c : filled) {
    if (c == '\n') text += '\r';
    text += c;
  }
  return text;
}

// Tools the page generators share to build their texts.
#pragma once

#include <map>
#include <string>
#include <string_view>

// The text as HTML character data: & < > " and ' become entities.
std::string HtmlText(std::string_view text);
// The text as a single-quoted script string literal, quotes included. Nothing
// in it can end the literal or the script element around it.
std::string ScriptString(std::string_view text);

// Replaces every "@@name@@" of the template by its value, in one pass, so a
// value is never searched for further names; then turns each line end into CR LF.
// Throws std::invalid_argument for a name without a value.
std::string FillPageTemplate(std::string_view pageTemplate,
                             const std::map<std::string, std::string>& values);

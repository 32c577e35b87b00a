// The tag builders of the classic page style: the text builders its pages are assembled from.
//
// Each builder returns text and writes no file. Text is NOT escaped: authors type HTML into their
// pages on purpose, and the bytes of the generated pages are fixed, so every argument is passed
// through as it stands. Block builders end their output with CR LF and indent nested content by
// spaces (IndentText); the whitespace-only lines this leaves are part of the output.
#pragma once

#include <string>
#include <string_view>

namespace qle::generator {

class PictureCopier;

// CR LF.
std::string_view NewLine();

// `count` spaces, then the text with `count` spaces after every CR LF pair. A lone CR or LF gets
// none; an empty text gives `count` spaces.
std::string IndentText(int count, std::string_view text);

// Appends IndentText(count, text) to `out` without a temporary.
void AppendIndented(std::string& out, int count, std::string_view text);

// The same without the leading blanks: only the blanks after each CR LF pair.
void AppendIndentedLines(std::string& out, int count, std::string_view text);

// The text with "<BR>" between the CR and the LF of every CR LF pair; empty stays empty.
std::string TextToHTML(std::string_view text);

// Appends TextToHTML(text) to `out` without a temporary.
void AppendTextToHTML(std::string& out, std::string_view text);

// "<TABLE " + attributes + ">", the content in " <TBODY>" indented by 2, then "</TABLE>" + CR LF.
std::string TableTag(std::string_view content, std::string_view attributes = {});

// Style 1 (the only style): TableTag(content, "CELLSPACING=3 BORDER=0"). Other styles give the
// same table, so no caller can lose its content.
std::string StyledTableTag(int style, std::string_view content);

// "<TD " + attributes + ">" + CR LF + content indented by 1 + CR LF + "</TD>" + CR LF.
std::string CellTag(std::string_view content, std::string_view attributes = {});

// "<FONT " + attributes + ">" + text + "</FONT>", no line break.
std::string FontTag(std::string_view attributes, std::string_view text);

// Level 1: SIZE=4; level 2: SIZE=3 bold; level 3: SIZE=2 red bold; any other level: SIZE=3.
std::string HeadingTag(int level, std::string_view text);

// "<A HREF='" + address with blanks as "-" + "'>" + HeadingTag(level, text) + "</A>" + CR LF.
std::string LinkTag(int level, std::string_view text, std::string_view address);

// "<IMG SRC='../images/" + file name of the path + "'>" + CR LF, and the picture registered with
// `pictures` for copying into the web folder's `images`. An empty file name gives the empty text
// and copies nothing. Characters that would end or redirect the address (% ' " # ?) are written
// percent-encoded, so the tag reaches the copy whatever the picture is called.
std::string ImageTag(std::string_view picturePath, PictureCopier& pictures);

// "<HTML>", "<HEAD></HEAD>", "<BODY BGCOLOR=LIGHTYELLOW>", each with CR LF.
std::string_view PageStart();

// "</BODY>", "</HTML>", each with CR LF.
std::string_view PageEnd();

// ImageTag of the site's banner (the `Options` field `Banner`); empty when there is none.
std::string BannerTag(std::string_view bannerPath, PictureCopier& pictures);

// "<BR><BR>" and a 600 wide table holding one empty centred cell.
std::string PageFooter();

} // namespace qle::generator

// Word breaking of the overlay text: CopyWord, FillLine and the line width.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "overlay/text.h"

namespace {

// Breaks text the way DrawWrappedText does and returns the lines.
std::vector<std::string> Wrap(const char* text, int charsPerLine) {
    std::vector<std::string> lines;
    char line[TEXT_BUFFER_LEN];
    const char* rest = text;
    while (*rest && lines.size() < 1000) {
        int left = FillLine(rest, line, charsPerLine < 1 ? 1 : charsPerLine);
        size_t taken = strlen(line);
        EXPECT_EQ((size_t)left, strlen(rest) - taken);
        if (taken == 0) break;
        lines.push_back(line);
        rest += taken;
    }
    return lines;
}

} // namespace

TEST(OverlayText, CopyWordTakesWordAndTrailingSpacesOnly) {
    char word[TEXT_BUFFER_LEN];
    EXPECT_EQ(CopyWord("ab  cd", word), 2);
    EXPECT_STREQ(word, "ab  ");
    // Tabs and other characters belong to the word.
    EXPECT_EQ(CopyWord("a\tb c", word), 1);
    EXPECT_STREQ(word, "a\tb ");
    // Leading blanks make a word of their own.
    EXPECT_EQ(CopyWord("   x", word), 1);
    EXPECT_STREQ(word, "   ");
    EXPECT_EQ(CopyWord("last", word), 0);
    EXPECT_STREQ(word, "last");
    EXPECT_EQ(CopyWord("", word), 0);
    EXPECT_STREQ(word, "");
}

TEST(OverlayText, FillLineTakesWholeWordsUpToTheLimit) {
    char line[TEXT_BUFFER_LEN];
    // "one " (4) < 6, so "two " is also taken: the line runs past the limit
    // by all but one character of its last word.
    EXPECT_EQ(FillLine("one two three", line, 6), 5);
    EXPECT_STREQ(line, "one two ");
    EXPECT_EQ(FillLine("one two three", line, 4), 9);
    EXPECT_STREQ(line, "one ");
    // The first word is always taken, however long.
    EXPECT_EQ(FillLine("abcdefghij k", line, 1), 1);
    EXPECT_STREQ(line, "abcdefghij ");
    EXPECT_EQ(FillLine("", line, 10), 0);
    EXPECT_STREQ(line, "");
    EXPECT_EQ(FillLine("a b", line, 0), 3);
    EXPECT_STREQ(line, "");
}

TEST(OverlayText, WrappedLinesKeepBlanksWithTheirWordAndCoverTheText) {
    const char* text = "alpha  beta gamma   delta epsilon";
    std::vector<std::string> lines = Wrap(text, 10);
    std::string joined;
    for (const std::string& l : lines) {
        EXPECT_NE(l[0], ' ') << "line starts with a blank: '" << l << "'";
        joined += l;
    }
    EXPECT_EQ(joined, text);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "alpha  beta ");
    EXPECT_EQ(lines[1], "gamma   delta ");
    EXPECT_EQ(lines[2], "epsilon");
}

TEST(OverlayText, LongestTextsNeverOverflowTheLineBuffers) {
    // One word filling the whole buffer, then the same with a longer source:
    // the lines stay within TEXT_MAX_CHARS and together cover the text.
    std::string word(TEXT_MAX_CHARS, 'w');
    std::vector<std::string> lines = Wrap(word.c_str(), 5);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], word);

    std::string longer = std::string(300, 'x') + " tail";
    lines = Wrap(longer.c_str(), TEXT_MAX_CHARS);
    std::string joined;
    for (const std::string& l : lines) {
        EXPECT_LE(l.size(), (size_t)TEXT_MAX_CHARS);
        joined += l;
    }
    EXPECT_EQ(joined, longer);
}

TEST(OverlayText, CharsPerLineFollowsWindowWidthAndNeverDropsBelowOne) {
    // 640 px at x = 0.02: w1 = 627, line = 627 - (62.7 + 24) = 540; 5 px a char.
    EXPECT_EQ(CharsPerLine(640, 0.02f, 50, 10), 108);
    // A narrower window holds fewer characters a line.
    EXPECT_LT(CharsPerLine(320, 0.02f, 50, 10), CharsPerLine(640, 0.02f, 50, 10));
    // A fractional average width counts (11 px over 2 chars is 5.5, not 5).
    EXPECT_EQ(CharsPerLine(640, 0.02f, 11, 2), 98);
    EXPECT_EQ(CharsPerLine(640, 0.02f, 0, 0), 1);  // empty text
    EXPECT_EQ(CharsPerLine(640, 0.02f, 0, 5), 1);  // glyphless characters
    EXPECT_EQ(CharsPerLine(20, 0.02f, 50, 10), 1); // window narrower than the margin
    EXPECT_EQ(CharsPerLine(40, 0.0f, 500, 10), 1); // less than one character fits
    EXPECT_EQ(CharsPerLine(100000, 0.0f, 1, 1), TEXT_MAX_CHARS);
}

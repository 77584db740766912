// Tagged-text reader and writer: tag lookup, tokens, typed values, the written forms, quoted
// strings in both forms, scrambling, and the atomic save on close.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "data/tag.h"

namespace fs = std::filesystem;

namespace {

// A fresh folder per test under the test program's private HOME.
class TagFiles : public testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::path(getenv("HOME")) / ("tag-" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override
    {
        TAG_Close();
        fs::remove_all(dir_);
    }
    std::string Path(const char* name) const { return (dir_ / name).string(); }
    static std::string Read(const std::string& path)
    {
        std::ifstream f(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(f), {});
    }
    static void Write(const std::string& path, const std::string& bytes)
    {
        std::ofstream f(path, std::ios::binary);
        f << bytes;
    }
    std::vector<std::string> Listing() const
    {
        std::vector<std::string> names;
        for (auto& e : fs::directory_iterator(dir_)) names.push_back(e.path().filename().string());
        return names;
    }
    fs::path dir_;
};

// The text the writer produced, copied out so that it survives the next open.
std::string Written()
{
    const char* t = TAG_Text();
    return t ? std::string(t, TAG_TextLength()) : std::string();
}

} // namespace

TEST(TagFind, FormsOfATagAndItsValue)
{
    struct Case { const char* text; const char* name; bool found; int value; };
    const Case cases[] = {
        {"#WIDTH(1024)", "WIDTH", true, 1024},
        {"#WIDTH 1024", "WIDTH", true, 1024},
        {"#width(1024)", "WIDTH", true, 1024},
        {"#Width(1024)", "wIdTh", true, 1024},
        {"#WIDTH,1024", "WIDTH", true, 1024},            // lookups always split at commas
        {"junk\r\n\t#HEIGHT(5)#WIDTH(7)", "WIDTH", true, 7},
        {"#WIDTH(640)\n#WIDTH(1280)", "WIDTH", true, 640}, // the first occurrence wins
        {"#WIDTH(-12)", "WIDTH", true, -12},
        {"#WIDTH", "WIDTH", true, 0},                     // value missing
        {"#WIDTH()\n#HEIGHT(768)", "WIDTH", true, 0},      // the next token is not a number
        {"#WIDTH((((", "WIDTH", true, 0},
        {"#WIDTH(abc)", "WIDTH", true, 0},
        {"#WIDTHS(5)", "WIDTH", false, 0},
        {"WIDTH(5)", "WIDTH", false, 0},
        {"# WIDTH(5)", "WIDTH", false, 0},
        {"", "WIDTH", false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        ASSERT_EQ(TAG_FindTag(c.text, c.name), c.found);
        if (c.found) EXPECT_EQ(TAG_ReadInt(), c.value);
    }
    TAG_Close();
}

TEST(TagRead, TokensSplitAtSeparatorsAndCommasOnlyInCommaMode)
{
    const char* text = "  a\tb\r\nc(d)e,f  ";
    std::vector<std::string> plain, comma;
    TAG_OpenText(text, false);
    while (const char* t = TAG_NextToken()) plain.push_back(t);
    TAG_OpenText(text, true);
    while (const char* t = TAG_NextToken()) comma.push_back(t);
    TAG_Close();
    EXPECT_EQ(plain, (std::vector<std::string>{"a", "b", "c", "d", "e,f"}));
    EXPECT_EQ(comma, (std::vector<std::string>{"a", "b", "c", "d", "e", "f"}));
}

TEST(TagRead, LongTokensAreCutButTheCursorMovesPastThem)
{
    std::string text = std::string(600, 'a') + " next";
    TAG_OpenText(text.c_str(), false);
    const char* t = TAG_NextToken();
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(std::string(t), std::string(TAG_TOKEN_SIZE - 1, 'a'));
    EXPECT_STREQ(TAG_NextToken(), "next");

    char small[4];
    TAG_OpenText("abcdef gh", false);
    EXPECT_STREQ(TAG_NextToken(small, sizeof small), "abc");
    EXPECT_STREQ(TAG_NextToken(small, sizeof small), "gh");
    EXPECT_EQ(TAG_NextToken(small, sizeof small), nullptr);
    TAG_Close();
}

TEST(TagRead, TypedValues)
{
    struct Case { const char* text; int i; float f; bool b; };
    const Case cases[] = {
        {"12", 12, 12.0f, false},
        {"-7", -7, -7.0f, false},
        {"+3", 3, 3.0f, false},
        {"1.5", 1, 1.5f, false},
        {"+2.5", 2, 2.5f, false},
        {"-0.25", 0, -0.25f, false},
        {"12abc", 12, 12.0f, false},
        {"abc", 0, 0.0f, false},
        {"t", 0, 0.0f, true},
        {"true", 0, 0.0f, true},
        {"f", 0, 0.0f, false},
        {"99999999999", INT_MAX, 99999999999.0f, false},
        {"-99999999999", INT_MIN, -99999999999.0f, false},
        {"nan", 0, 0.0f, false},     // not finite: not a number the game can use
        {"inf", 0, 0.0f, false},
        {"1e999", 1, 0.0f, false},    // out of range as a float; its leading digit as an integer
        {"", 0, 0.0f, false},         // nothing left to read
        {"  \r\n", 0, 0.0f, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        TAG_OpenText(c.text, false);
        EXPECT_EQ(TAG_ReadInt(), c.i);
        TAG_OpenText(c.text, false);
        EXPECT_FLOAT_EQ(TAG_ReadFloat(), c.f);
        TAG_OpenText(c.text, false);
        EXPECT_EQ(TAG_ReadBool(), c.b);
    }

    struct Strict { const char* text; bool ok; int value; };
    const Strict strict[] = {
        {"12", true, 12}, {"-2147483648", true, INT_MIN}, {"2147483647", true, INT_MAX},
        {"2147483648", false, 0}, {"12abc", false, 0}, {"-", false, 0}, {"", false, 0}, {"1.5", false, 0},
    };
    for (const Strict& c : strict) {
        SCOPED_TRACE(c.text);
        int v = 42;
        TAG_OpenText(c.text, false);
        EXPECT_EQ(TAG_TryReadInt(&v), c.ok);
        EXPECT_EQ(v, c.ok ? c.value : 42);
    }
    TAG_Close();
}

TEST(TagWrite, ValueForms)
{
    ASSERT_TRUE(TAG_BeginWrite("", 256));  // no target: nothing is saved
    TAG_WriteToken("VER");
    TAG_WriteInt(1);
    TAG_WriteInt(-5);
    TAG_WriteBool(true);
    TAG_WriteBool(false);
    TAG_WriteString(u"Abc");
    TAG_WriteString(u"");
    EXPECT_EQ(Written(), " VER 1 -5 t f \"\"65 98 99 \" \"\"\"");
    EXPECT_TRUE(TAG_Close());
}

TEST(TagWrite, FloatsAreCutToTheirDecimalsAndTrimmed)
{
    struct Case { float value; int decimals; const char* text; };
    const Case cases[] = {
        {0.5f, -1, " 0.5"},
        {3.0f, -1, " 3"},
        {100.0f, -1, " 100"},        // only zeros after the point go
        {1.5f, -1, " 1.5"},
        {-0.25f, -1, " -0.25"},
        {0.1f, -1, " 0.1"},
        {1.0f / 3, -1, " 0.333333"},
        {1.0f / 3, 9, " 0.333333"},  // never more than six
        {1.239f, 2, " 1.23"},        // cut, not rounded
        {2.75f, 0, " 2"},
        {10.05f, 1, " 10"},
        {-2.0f, 3, " -2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        ASSERT_TRUE(TAG_BeginWrite("", 64));
        TAG_WriteFloat(c.value, c.decimals);
        EXPECT_EQ(Written(), c.text);
    }
    TAG_Close();
}

TEST(TagString, NumericFormRoundTrip)
{
    const std::u16string strings[] = {
        u"", u"Abc", u"a\"b", u"\"\"", u"\\n", u"(x, y)", u"tab\there", u"\u00e9\u4e2d\uffff", u"#WIDTH(5)",
    };
    ASSERT_TRUE(TAG_BeginWrite("", 4096));
    for (const auto& s : strings) {
        TAG_WriteString(s.c_str());
        TAG_WriteToken("sep");
    }
    std::string text = Written();
    TAG_OpenText(text.c_str(), true);
    for (const auto& s : strings) {
        const char16_t* got = TAG_ReadString();
        ASSERT_NE(got, nullptr);
        EXPECT_EQ(std::u16string(got), s);
        EXPECT_STREQ(TAG_NextToken(), "sep");
    }
    EXPECT_EQ(TAG_NextToken(), nullptr);
    TAG_Close();
}

TEST(TagString, PlainFormAndOddEndings)
{
    TAG_OpenText("\"hello world\" \"\" next \"\xe9(x)\" word \"unterminated", false);
    EXPECT_EQ(std::u16string(TAG_ReadString()), u"hello world");
    EXPECT_EQ(std::u16string(TAG_ReadString()), u"");  // a bare "" does not run on to the next quote
    EXPECT_EQ(TAG_ReadString(), nullptr);              // "next" is not a string: the cursor stays
    EXPECT_STREQ(TAG_NextToken(), "next");
    EXPECT_EQ(std::u16string(TAG_ReadString()), u"\u00e9(x)");  // each byte widened
    EXPECT_STREQ(TAG_NextToken(), "word");
    EXPECT_EQ(std::u16string(TAG_ReadString()), u"unterminated");
    EXPECT_EQ(TAG_NextToken(), nullptr);

    // Numeric form cut short: digits after the last space are not a code unit.
    TAG_OpenText("\"\"12 34", false);
    EXPECT_EQ(std::u16string(TAG_ReadString()), u"\u000c");

    // A small buffer keeps what fits; reading goes on after the closing quote.
    char16_t small[3];
    TAG_OpenText("\"abcdef\" \"\"65 66 67 68 \" tail", false);
    EXPECT_EQ(std::u16string(TAG_ReadString(small, 3)), u"ab");
    EXPECT_EQ(std::u16string(TAG_ReadString(small, 3)), u"AB");
    EXPECT_STREQ(TAG_NextToken(), "tail");
    TAG_Close();
}

TEST(TagRead, JunkNeverRunsPastTheText)
{
    const char* texts[] = {"\"", "\"\"", "\"\"\"", "\"\"1", "\"\"1 ", "#", "(((", ")", ",,,", "#WIDTH(", "\"a\"\"b",
                           "\x01\x02\xff\xfe", "\t\r\n "};
    for (const char* text : texts) {
        SCOPED_TRACE(text);
        // Exactly sized copies, so a read past the zero would be caught by the sanitizers.
        std::vector<char> bytes(text, text + strlen(text) + 1);
        for (int reader = 0; reader < 5; reader++) {
            TAG_OpenText(bytes.data(), reader % 2 == 0);
            int steps = 0;
            while (TAG_Text() && steps++ < 64) {
                if (reader == 0 && !TAG_NextToken()) break;
                if (reader == 1 && !TAG_ReadString() && !TAG_NextToken()) break;
                if (reader == 2) TAG_ReadInt();
                if (reader == 3) TAG_ReadFloat();
                if (reader == 4) TAG_ReadBool();
                if (reader >= 2 && !TAG_NextToken()) break;
            }
            EXPECT_LT(steps, 64);
        }
    }
    TAG_Close();
}

TEST_F(TagFiles, ScrambledAndPlainFilesBothLoad)
{
    // Every high byte: one of them equals the mask and scrambles to a zero, which must survive.
    std::string high;
    for (int c = 0x80; c <= 0xff; c++) high += (char)c;

    auto writeFile = [&](const std::string& path, bool scramble) {
        ASSERT_TRUE(TAG_BeginWrite(path, 1024));
        TAG_WriteToken("VER");
        TAG_WriteInt(1);
        TAG_WriteToken("NAM");
        TAG_WriteString(u"Zoe \"Z\"");
        TAG_WriteToken(high.c_str());
        TAG_WriteFloat(0.75f, -1);
        if (scramble) {
            TAG_Scramble();
            TAG_Scramble();  // already scrambled: left alone
        }
        ASSERT_TRUE(TAG_Close());
    };
    writeFile(Path("scrambled.Plr"), true);
    writeFile(Path("plain.Plr"), false);

    std::string raw = Read(Path("scrambled.Plr"));
    std::string plain = Read(Path("plain.Plr"));
    ASSERT_EQ(raw.size(), plain.size());
    EXPECT_TRUE((unsigned char)raw[0] & 0x80);
    EXPECT_EQ(raw.find("VER"), std::string::npos);
    EXPECT_NE(raw.find('\0'), std::string::npos);

    for (const char* name : {"scrambled.Plr", "plain.Plr"}) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(TAG_OpenFile(Path(name), false));
        TAG_Unscramble();
        EXPECT_EQ(Written(), plain);
        EXPECT_STREQ(TAG_NextToken(), "VER");
        EXPECT_EQ(TAG_ReadInt(), 1);
        EXPECT_STREQ(TAG_NextToken(), "NAM");
        EXPECT_EQ(std::u16string(TAG_ReadString()), u"Zoe \"Z\"");
        EXPECT_EQ(std::string(TAG_NextToken()), high);
        EXPECT_FLOAT_EQ(TAG_ReadFloat(), 0.75f);
        EXPECT_EQ(TAG_NextToken(), nullptr);
        TAG_Close();
    }
}

TEST_F(TagFiles, CloseReplacesTheFileWholeOrNotAtAll)
{
    const std::string path = Path("Player.Plr");
    Write(path, "old contents");

    ASSERT_TRUE(TAG_BeginWrite(path, 64));
    TAG_WriteToken("VER");
    TAG_WriteInt(2);
    EXPECT_TRUE(TAG_Close());
    EXPECT_EQ(Read(path), " VER 2");
    EXPECT_EQ(Listing(), std::vector<std::string>{"Player.Plr"});  // no temporary left beside it

    // A text that outgrows its capacity is not saved cut short: the old file stays.
    ASSERT_TRUE(TAG_BeginWrite(path, 8));
    TAG_WriteToken("VER");
    TAG_WriteToken("much too long for eight bytes");
    TAG_WriteInt(3);
    EXPECT_FALSE(TAG_Close());
    EXPECT_EQ(Read(path), " VER 2");

    // Opening anything else saves the pending write first.
    ASSERT_TRUE(TAG_BeginWrite(path, 64));
    TAG_WriteToken("END");
    TAG_OpenText("x", false);
    EXPECT_EQ(Read(path), " END");

    // A target that cannot be created fails quietly.
    ASSERT_TRUE(TAG_BeginWrite(Path("missing/sub/file.txt"), 64));
    TAG_WriteToken("x");
    EXPECT_FALSE(TAG_Close());
}

TEST_F(TagFiles, OpenFileFailuresLeaveNoText)
{
    EXPECT_FALSE(TAG_OpenFile(Path("none.txt"), false));
    EXPECT_EQ(TAG_Text(), nullptr);
    EXPECT_FALSE(TAG_OpenFile(dir_.string(), false));  // a folder is not a text
    EXPECT_EQ(TAG_Text(), nullptr);
    EXPECT_EQ(TAG_NextToken(), nullptr);
    EXPECT_EQ(TAG_ReadInt(), 0);

    // Looking a tag up in the text we already own rewinds it instead of freeing it.
    Write(Path("Config.txt"), "#HEIGHT(768) #WIDTH(1024)");
    ASSERT_TRUE(TAG_OpenFile(Path("Config.txt"), false));
    ASSERT_TRUE(TAG_FindTag(TAG_Text(), "WIDTH"));
    EXPECT_EQ(TAG_ReadInt(), 1024);
    ASSERT_TRUE(TAG_FindTag(TAG_Text(), "HEIGHT"));
    EXPECT_EQ(TAG_ReadInt(), 768);
}

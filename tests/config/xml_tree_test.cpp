// The XML tree, its writer (byte-exact) and its single-pass reader.
#include <algorithm>
#include <string>

#include <gtest/gtest.h>

#include "support/temp_files.h"
#include "xml_tree.h"

namespace {

using kptest::Join;
using kptest::ReadBytes;
using kptest::WriteBytes;

// A tree as text: name, "=value" when there is one, "(children,...)" when
// there are any. Test trees are small, so recursion is fine here.
std::string Dump(XML_Node* node) {
    if (node == nullptr) return "<none>";
    std::string s = (const char*)node->GetName();
    if (!node->GetValue().IsEmpty()) s += "=" + std::string((const char*)node->GetValue());
    XML_Node* child = node->GetFirstSubItem();
    if (child != nullptr) {
        s += "(";
        for (bool first = true; child != nullptr; child = node->GetNextSubItem(), first = false) {
            if (!first) s += ",";
            s += Dump(child);
        }
        s += ")";
    }
    return s;
}

class XmlFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = kptest::MakeTempDir();
        ASSERT_FALSE(dir_.empty());
        path_ = Join(dir_, "t.xml");
    }
    void TearDown() override {
        kptest::RemoveFile(path_);
        kptest::RemoveDir(dir_);
    }
    std::string Write(XML_Tree& tree) {
        EXPECT_TRUE(XML_File::WriteXMLFile(&tree, path_.c_str()));
        return ReadBytes(path_);
    }
    std::string Read(const std::string& bytes) {
        EXPECT_TRUE(WriteBytes(path_, bytes));
        XML_Tree tree;
        EXPECT_TRUE(XML_File::ReadXMLFile(&tree, path_.c_str()));
        return Dump(tree.GetRoot());
    }
    std::string dir_;
    std::string path_;
};

// Builds a tree from a tiny script: "+name" opens, "=text" sets the value,
// "-" closes.
void Build(XML_Tree& tree, std::initializer_list<const char*> script) {
    for (const char* step : script) {
        if (step[0] == '+')
            tree.AddElement(step + 1);
        else if (step[0] == '=')
            tree.AddValue(CString(step + 1));
        else
            tree.EndElement();
    }
}

// Writer

struct WriteCase {
    const char* label;
    std::initializer_list<const char*> script;
    const char* expected;
};

TEST_F(XmlFileTest, WriterProducesExactBytes) {
    const WriteCase cases[] = {
        {"empty tree, empty file", {}, ""},
        {"root without value", {"+r", "-"}, "<r>\n</r>\n"},
        {"value line one space deeper", {"+r", "=v", "-"}, "<r>\n v\n</r>\n"},
        {"slash in a value", {"+r", "=a/b", "-"}, "<r>\n a\\colonb\n</r>\n"},
        {"names are never escaped", {"+x/y", "=1", "-"}, "<x/y>\n 1\n</x/y>\n"},
        {"'>' and '&' as they are", {"+r", "=a>&amp;", "-"}, "<r>\n a>&amp;\n</r>\n"},
        {"a value holding '<' leaves its element out, children and all",
         {"+r", "+a", "=1", "-", "+b", "=x<y", "+c", "=2", "-", "-", "+d", "=3", "-", "-"},
         "<r>\n <a>\n  1\n </a>\n <d>\n  3\n </d>\n</r>\n"},
        {"a root holding '<' leaves an empty file", {"+r", "=<", "+a", "-", "-"}, ""},
        {"value before children, one space per level",
         {"+a", "=x", "+b", "=1", "-", "+c", "+d", "=2", "-", "-", "-"},
         "<a>\n x\n <b>\n  1\n </b>\n <c>\n  <d>\n   2\n  </d>\n </c>\n</a>\n"},
        {"unclosed elements are closed", {"+a", "+b"}, "<a>\n <b>\n </b>\n</a>\n"},
        {"nothing after the root closed", {"+a", "-", "+b", "=1", "-"}, "<a>\n</a>\n"},
        {"double-byte text passes through", {"+r", "=\xb9\xd8\x81\x5c/", "-"}, "<r>\n \xb9\xd8\x81\x5c\\colon\n</r>\n"},
    };
    for (const WriteCase& c : cases) {
        XML_Tree tree;
        Build(tree, c.script);
        EXPECT_EQ(c.expected, Write(tree)) << c.label;
    }
}

TEST_F(XmlFileTest, WriterIntOrLongValues) {
    XML_Tree tree;
    tree.AddElement("r");
    tree.AddElement("i");
    tree.AddValue(-42);
    tree.EndElement();
    tree.AddElement("l");
    tree.AddValue(2147483647L);
    tree.EndElement();
    tree.EndElement();
    EXPECT_EQ("<r>\n <i>\n  -42\n </i>\n <l>\n  2147483647\n </l>\n</r>\n", Write(tree));
}

TEST_F(XmlFileTest, WriterStopsIndentingAt79Spaces) {
    // 85 nested elements, the innermost with a value.
    const int depth = 85;
    XML_Tree tree;
    for (int i = 0; i < depth; ++i)
        tree.AddElement("e");
    tree.AddValue(CString("v"));
    std::string expected;
    auto indent = [](int level) { return std::string(level < 79 ? level : 79, ' '); };
    for (int i = 0; i < depth; ++i)
        expected += indent(i) + "<e>\n";
    expected += indent(depth - 1) + " v\n";
    for (int i = depth - 1; i >= 0; --i)
        expected += indent(i) + "</e>\n";
    EXPECT_EQ(expected, Write(tree));
}

TEST_F(XmlFileTest, WriterKeepsOverlongLinesWhole) {
    // Past 254 characters a line is still written completely, line feed and
    // closing bracket included, so the file keeps its structure.
    std::string name(300, 'n');
    std::string value(400, 'v');
    XML_Tree tree;
    tree.AddElement(name.c_str());
    tree.AddValue(CString(value.c_str()));
    tree.EndElement();
    EXPECT_EQ("<" + name + ">\n " + value + "\n</" + name + ">\n", Write(tree));
}

TEST_F(XmlFileTest, WriteToMissingFolderStillReportsTrue) {
    XML_Tree tree;
    Build(tree, {"+r", "-"});
    std::string bad = Join(Join(dir_, "no-such-folder"), "t.xml");
    EXPECT_TRUE(XML_File::WriteXMLFile(&tree, bad.c_str()));
    EXPECT_FALSE(kptest::FileExists(bad));
    // The checked form tells.
    EXPECT_FALSE(XML_File::WriteXMLFileChecked(&tree, bad.c_str()));
    EXPECT_TRUE(XML_File::WriteXMLFileChecked(&tree, path_.c_str()));
    EXPECT_EQ("<r>\n</r>\n", ReadBytes(path_));
}

#ifndef _WIN32
TEST_F(XmlFileTest, CheckedWriteReportsAFullDisk) {
    XML_Tree tree;
    Build(tree, {"+r", "=1", "-"});
    EXPECT_FALSE(XML_File::WriteXMLFileChecked(&tree, "/dev/full"));
    EXPECT_TRUE(XML_File::WriteXMLFile(&tree, "/dev/full"));
}
#endif

// Reader

struct ReadCase {
    const char* label;
    std::string input;
    const char* tree;
};

TEST_F(XmlFileTest, ReaderFollowsTheSinglePassRules) {
    const ReadCase cases[] = {
        {"empty file", "", "<none>"},
        {"blanks only", " \n\t", "<none>"},
        {"leaf", "<a>1</a>", "a=1"},
        {"blanks cut, inner kept", "<a> \t\n x  y \n\t </a>", "a=x  y"},
        {"text between elements goes to the parent", "<a><b>1</b>x<c>2</c></a>", "a=x(b=1,c=2)"},
        {"last text run wins", "<a>x<b>1</b>y</a>", "a=y(b=1)"},
        {"carriage returns kept", "<a>\r\n <b>\r\n  1\r\n </b>\r\n</a>\r\n", "a=\r(b=\r\n  1\r)"},
        {"self-closing tag opens and stays open", "<a><b/><c>1</c></a>", "a(b/(c=1))"},
        {"second top-level element ignored", "<a>1</a><b>2</b>x", "a=1"},
        {"closing tag of another name closes the current", "<a><b>1</c><d>2</d></a>", "a(b=1,d=2)"},
        {"declaration becomes the root", "<?xml version=\"1.0\"?>\n<Kapto><x>1</x></Kapto>",
         "?xml version=\"1.0\"?(Kapto(x=1))"},
        {"tag taken exactly as collected", "<a b='1' >v</a>", "a b='1' =v"},
        {"unclosed elements stay, partial token dropped", "<a><b>1", "a(b)"},
        {"partial tag dropped", "<a>1</a", "a=1"},
        {"closing tag on empty tree", "</a><b>1</b>", "b=1"},
        {"'>' outside a tag is text", "<a>x>y</a>", "a=x>y"},
        {"'<' inside a tag ends it as text", "<a<b>1</b>", "b=1"},
        {"\\colon back to slash", "<a> p\\colonq\\colon </a>", "a=p/q/"},
        {"no entity references", "<a>&lt;&amp;</a>", "a=&lt;&amp;"},
        {"zero byte ends the text", std::string("<a>x\0y</a>", 10), "a=x"},
        {"double-byte text", "<a>\xb9\xd8\xd3\xda</a>", "a=\xb9\xd8\xd3\xda"},
        {"trail byte 0x5C never starts \\colon",
         "<a>\x81\x5c"
         "colon</a>",
         "a=\x81\x5c"
         "colon"},
        {"\\colon right after a trail byte 0x5C", "<a>\x81\x5c\\colon</a>", "a=\x81\x5c/"},
    };
    for (const ReadCase& c : cases)
        EXPECT_EQ(c.tree, Read(c.input)) << c.label;
}

TEST_F(XmlFileTest, MissingFileLeavesTreeAsItWas) {
    XML_Tree tree;
    EXPECT_TRUE(XML_File::ReadXMLFile(&tree, Join(dir_, "absent.xml").c_str()));
    EXPECT_EQ(nullptr, tree.GetRoot());
    tree.AddElement("k");
    EXPECT_TRUE(XML_File::ReadXMLFile(&tree, Join(dir_, "absent.xml").c_str()));
    EXPECT_EQ("k", Dump(tree.GetRoot()));
}

TEST_F(XmlFileTest, CrlfNumbersStillConvert) {
    EXPECT_TRUE(WriteBytes(path_, "<a>\r\n <b>\r\n  -12\r\n </b>\r\n</a>\r\n"));
    XML_Tree tree;
    XML_File::ReadXMLFile(&tree, path_.c_str());
    XML_Node* b = tree.GetRoot()->GetSubItem("b");
    ASSERT_NE(nullptr, b);
    EXPECT_EQ(-12, b->GetValueAsInt());
    EXPECT_EQ(-12L, b->GetValueAsLong());
}

// Tokens longer than the reader's buffer: text that does not fit is dropped
// (a cut value would be a wrong value), a tag is cut and still opens or
// closes its element, so the rest of the file keeps its nesting.
TEST_F(XmlFileTest, ReaderBoundsTokens) {
    const std::string fits(239, 'x');
    const std::string over(240, 'x');
    const std::string pad(300, ' ');
    const std::string lf(300, '\n');
    const std::string huge(1 << 20, 'h');
    // 238 bytes and a double-byte character that would straddle the end.
    const std::string straddle = std::string(238, 't') + "\x81\x40" + "more";
    const struct {
        const char* label;
        std::string input;
        std::string tree;
    } cases[] = {
        {"text of 239 bytes kept", "<a>" + fits + "</a>", "a=" + fits},
        {"text of 240 bytes dropped", "<a>" + over + "</a>", "a"},
        {"dropped text leaves the earlier run", "<a>keep<b/>" + over + "</a>", "a=keep(b/)"},
        {"\\colon counts as the slash it stands for",
         "<a>" + std::string(234, 'x') + "\\colon\\colon\\colon\\colon\\colon</a>",
         "a=" + std::string(234, 'x') + "/////"},
        {"escaped slashes past the limit dropped",
         "<a>" + std::string(235, 'x') + "\\colon\\colon\\colon\\colon\\colon</a>", "a"},
        {"surrounding blanks do not count", "<a>" + pad + lf + fits + pad + lf + "</a>", "a=" + fits},
        {"inner blanks count", "<a>" + std::string(120, 'x') + pad + "y</a>", "a"},
        {"huge text dropped", "<a>" + huge + "</a><x>", "a"},
        {"long tag cut, nesting kept",
         "<r><" + std::string(300, 'n') + "><c>1</c></" + std::string(300, 'n') + "><d>2</d></r>",
         "r(" + std::string(239, 'n') + "(c=1),d=2)"},
        {"cut between the bytes of a character", "<" + straddle + ">v</x>", std::string(238, 't') + "=v"},
        {"huge tag", "<" + huge + "><c>1</c></x>", std::string(239, 'h') + "(c=1)"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.tree, Read(c.input)) << c.label;
}

TEST_F(XmlFileTest, EveryValueThatFitsReadsBackWhateverItsSlashes) {
    // A slash is written as six bytes; the reader's limit is on the value.
    const std::string values[] = {std::string(239, '/'), std::string(200, 'a') + std::string(39, '/'),
                                  "/" + std::string(238, 'n')};
    for (const std::string& v : values) {
        XML_Tree tree;
        Build(tree, {"+r", "+deep", "+deeper"});
        tree.AddValue(CString(v.c_str()));
        Write(tree);
        XML_Tree back;
        XML_File::ReadXMLFile(&back, path_.c_str());
        EXPECT_EQ("r(deep(deeper=" + v + "))", Dump(back.GetRoot())) << v;
    }
}

TEST_F(XmlFileTest, DeepNestingNeitherRecursesNorFails) {
    // Far deeper than any call stack: reading, writing and deleting all walk
    // the tree without recursion.
    const int depth = 200000;
    std::string in;
    for (int i = 0; i < depth; ++i)
        in += "<e>";
    in += "v";
    for (int i = 0; i < depth; ++i)
        in += "</e>";
    {
        XML_Tree tree;
        ASSERT_TRUE(WriteBytes(path_, in));
        XML_File::ReadXMLFile(&tree, path_.c_str());
        XML_Node* node = tree.GetRoot();
        int levels = 0;
        for (XML_Node* n = node; n != nullptr; n = n->GetFirstSubItem()) {
            node = n;
            ++levels;
        }
        EXPECT_EQ(depth, levels);
        EXPECT_EQ("v", std::string((const char*)node->GetValue()));
        EXPECT_TRUE(XML_File::WriteXMLFileChecked(&tree, path_.c_str()));
    }
    std::string out = ReadBytes(path_);
    // Every element has its two lines, the innermost its value line.
    EXPECT_EQ((size_t)(2 * depth + 1), (size_t)std::count(out.begin(), out.end(), '\n'));
}

TEST_F(XmlFileTest, WrittenTreeReadsBack) {
    XML_Tree tree;
    Build(tree, {"+Kapto", "+Path", "=D:/\xb9\xa4\xbe\xdf/\x81\x5c/a.exe", "-", "+Num", "=-1", "-", "+Mark", "=a>b&c",
                 "-", "-"});
    Write(tree);
    XML_Tree back;
    XML_File::ReadXMLFile(&back, path_.c_str());
    EXPECT_EQ("Kapto(Path=D:/\xb9\xa4\xbe\xdf/\x81\x5c/a.exe,Num=-1,Mark=a>b&c)", Dump(back.GetRoot()));
}

// Escaping

TEST(XmlSaveString, SlashAndColonSwapWholeCharactersOnly) {
    const struct {
        const char* plain;
        const char* saved;
    } cases[] = {
        {"", ""},     {"a/b//c", "a\\colonb\\colon\\colonc"},           {"no slash", "no slash"},
        {"\\", "\\"}, {"\xb9\xd8/\xd3\xda", "\xb9\xd8\\colon\xd3\xda"},
    };
    for (const auto& c : cases) {
        CString s(c.plain);
        XML_File::MakeSaveString(s);
        EXPECT_STREQ(c.saved, s) << c.plain;
        XML_File::UnmakeSaveString(s);
        EXPECT_STREQ(c.plain, s) << c.plain;
    }
    // 0x81 0x5C is one character: its second byte is no backslash.
    CString dbcs(
        "\x81\x5c"
        "colon");
    XML_File::UnmakeSaveString(dbcs);
    EXPECT_STREQ(
        "\x81\x5c"
        "colon",
        dbcs);
    CString twice("\\colon\\colon");
    XML_File::UnmakeSaveString(twice);
    EXPECT_STREQ("//", twice);
}

// Nodes and the tree builder

TEST(XmlNode, ValueConversionsFollowAtoi) {
    const struct {
        const char* value;
        int n;
    } cases[] = {{"42", 42}, {"  -7x", -7}, {"+3", 3}, {"\r\n 5", 5}, {"abc", 0}, {"", 0}, {"1 2", 1}};
    for (const auto& c : cases) {
        XML_Node node(nullptr, "n");
        node.AddValue(c.value);
        EXPECT_EQ(c.n, node.GetValueAsInt()) << c.value;
        EXPECT_EQ((long)c.n, node.GetValueAsLong()) << c.value;
    }
}

TEST(XmlNode, SubItemsByExactNameAndCursor) {
    XML_Node root(nullptr, "r");
    XML_Node* a1 = new XML_Node(&root, "a");
    XML_Node* b = new XML_Node(&root, "b");
    XML_Node* a2 = new XML_Node(&root, "a");
    EXPECT_EQ(&root, a1->GetParent());
    EXPECT_EQ(nullptr, root.GetParent());
    EXPECT_EQ(a1, root.GetSubItem("a"));
    EXPECT_EQ(b, root.GetSubItem("b"));
    EXPECT_EQ(nullptr, root.GetSubItem("A"));
    EXPECT_EQ(nullptr, root.GetSubItem("c"));

    EXPECT_EQ(nullptr, root.GetNextSubItem());  // no traversal started
    EXPECT_EQ(a1, root.GetFirstSubItem());
    EXPECT_EQ(b, root.GetNextSubItem());
    EXPECT_EQ(a1, root.GetSubItem("a"));  // lookups leave the cursor alone
    EXPECT_EQ(a2, root.GetNextSubItem());
    EXPECT_EQ(nullptr, root.GetNextSubItem());
    EXPECT_EQ(nullptr, root.GetNextSubItem());
    EXPECT_EQ(a1, root.GetFirstSubItem());  // restart

    XML_Node leaf(nullptr, "leaf");
    EXPECT_EQ(nullptr, leaf.GetFirstSubItem());
    EXPECT_EQ(nullptr, leaf.GetNextSubItem());
}

TEST(XmlTree, BuilderIgnoresCallsWithNothingOpen) {
    XML_Tree tree;
    tree.EndElement();
    tree.AddValue(CString("lost"));
    EXPECT_EQ(nullptr, tree.GetRoot());
    tree.AddElement("a");
    tree.AddValue(CString("1"));
    tree.AddValue(CString("2"));  // replaces
    tree.EndElement();
    tree.AddElement("b");
    tree.AddValue(7);
    tree.EndElement();
    EXPECT_EQ("a=2", Dump(tree.GetRoot()));
}

}  // namespace

#include <errno.h>
#include <stdio.h>
#include <string.h>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "xml_tree.h"

namespace {

// The reader's white space: carriage return is deliberately not among it.
bool IsBlank(int c) { return c == ' ' || c == '\n' || c == '\t'; }

bool WriteLine(FILE* f, const CString& line) {
    size_t n = (size_t)line.GetLength();
    return fwrite(line.GetString(), 1, n, f) == n;
}

bool FlushToDisk(FILE* f) {
#ifdef _WIN32
    return _commit(_fileno(f)) == 0;
#else
    // Pipes and devices cannot be synchronised; that is no write error.
    return fsync(fileno(f)) == 0 || errno == EINVAL || errno == ENOTSUP;
#endif
}

// One element's lines. Lines are formatted into growable strings and written
// whole whatever their length: a line cut short would lose its line feed or
// the ">" of a tag and with it the structure of everything after it. Only the
// indentation has a ceiling, which costs nothing since the reader skips it.
CString Indent(int depth) { return CString(' ', depth < XML_File::kMaxIndent ? depth : XML_File::kMaxIndent); }

bool WriteOpening(FILE* f, const CString& indent, const CString& name, const CString& value) {
    CString line;
    line.Format("%s<%s>\n", indent.GetString(), name.GetString());
    if (!WriteLine(f, line)) return false;
    if (value.IsEmpty()) return true;
    line.Format("%s %s\n", indent.GetString(), value.GetString());
    XML_File::MakeSaveString(line);
    return WriteLine(f, line);
}

bool WriteClosing(FILE* f, const CString& indent, const CString& name) {
    CString line;
    line.Format("%s</%s>\n", indent.GetString(), name.GetString());
    return WriteLine(f, line);
}

// Passes a text token to the tree: blanks cut at both ends, "\colon" back to
// "/". The token is a C string, so a zero byte in the file ends its text.
void AddText(XML_Tree* tree, char* buf, int len) {
    buf[len] = 0;
    int end = (int)strlen(buf);
    int start = 0;
    while (start < end && IsBlank((unsigned char)buf[start])) ++start;
    if (start == end) return;
    while (end > start && IsBlank((unsigned char)buf[end - 1])) --end;
    CString text(buf + start, end - start);
    XML_File::UnmakeSaveString(text);
    tree->AddValue(text);
}

// A tag that did not fit the buffer keeps what did, less a lead byte whose
// trail byte was lost, so the name never ends in half a character. It still
// opens or closes an element, which keeps the nesting of the rest intact.
CString TagName(char* buf, int len, bool cut) {
    if (cut) {
        int i = 0;
        while (i < len) {
            int w = FwIsLeadByte((unsigned char)buf[i]) ? 2 : 1;
            if (i + w > len) break;
            i += w;
        }
        len = i;
    }
    buf[len] = 0;
    return CString(buf);
}

}  // namespace

XML_File::~XML_File() {}

void XML_File::MakeSaveString(CString& str) { str.Replace("/", "\\colon"); }

void XML_File::UnmakeSaveString(CString& str) { str.Replace("\\colon", "/"); }

bool XML_File::WriteXMLFile(XML_Tree* tree, CString path) {
    WriteXMLFileChecked(tree, path);
    return true;
}

bool XML_File::WriteXMLFileChecked(XML_Tree* tree, CString path) {
    FILE* f = fopen(path, "wb");
    if (f == nullptr) return false;
    bool ok = true;
    XML_Node* root = tree != nullptr ? tree->GetRoot() : nullptr;
    if (root != nullptr) {
        // Depth-first, pre-order, without recursion: a tree read from a file
        // may be far deeper than the stack allows. Each entry is a node whose
        // opening lines are written and the index of its next child.
        struct Open {
            XML_Node* node;
            int next;
        };
        CArray<Open, const Open&> stack;
        ok = WriteOpening(f, Indent(0), root->m_strName, root->m_strValue);
        stack.Add(Open{root, 0});
        while (ok && stack.GetSize() > 0) {
            Open& top = stack[stack.GetUpperBound()];
            int depth = stack.GetSize();
            if (top.next < top.node->m_children.GetSize()) {
                XML_Node* child = top.node->m_children[top.next++];
                ok = WriteOpening(f, Indent(depth), child->m_strName, child->m_strValue);
                if (stack.Add(Open{child, 0}) < 0) ok = false;
            } else {
                ok = WriteClosing(f, Indent(depth - 1), top.node->m_strName);
                stack.RemoveAt(stack.GetUpperBound());
            }
        }
    }
    if (fflush(f) != 0) ok = false;
    if (ok && !FlushToDisk(f)) ok = false;
    if (fclose(f) != 0) ok = false;
    return ok;
}

bool XML_File::ReadXMLFile(XML_Tree* tree, CString path) {
    if (tree == nullptr) return true;
    FILE* f = fopen(path, "rb");
    if (f == nullptr) return true;

    char buf[kMaxToken + 1];  // the token and its terminator
    int len = 0;
    bool inTag = false;
    // A token that began outside a tag can only end as text, whose blanks
    // at either end are dropped anyway: leading ones are never stored and
    // trailing ones past the end of the buffer do not count. So the limit
    // applies to the text itself, whatever indentation surrounds it.
    bool textOnly = true;
    bool overlong = false;  // bytes were lost; text is then dropped, a tag cut
    int c;
    while ((c = fgetc(f)) != EOF) {
        if (c == '<') {
            if (!overlong) AddText(tree, buf, len);
            inTag = true;
            textOnly = false;
            overlong = false;
            len = 0;
        } else if (inTag && c == '>') {
            if (len > 0 && buf[0] == '/') {
                tree->EndElement();  // the name is never compared
            } else {
                tree->AddElement(TagName(buf, len, overlong));
            }
            inTag = false;
            textOnly = true;
            overlong = false;
            len = 0;
        } else if (textOnly && len == 0 && IsBlank(c)) {
            // leading blank of text
        } else if (len < kMaxToken) {
            buf[len++] = (char)c;
        } else if (!(textOnly && IsBlank(c))) {
            overlong = true;
        }
    }
    fclose(f);
    return true;
}

#include <errno.h>
#include <stdio.h>
#include <string.h>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

#include "xml_tree.h"

namespace {

// The reader's white space: carriage return is deliberately not among it.
// The file for reading, shared for deletion too: a reader must never stop
// the program's next save, which replaces the file by renaming a new one over
// it (and refuses while anyone holds it without that share).
// *pbNoFile says whether a failure means that there is no such file.
FILE* OpenForReading(const CString& path, bool* pbNoFile) {
    *pbNoFile = false;
#ifdef _WIN32
    HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD dwError = GetLastError();
        *pbNoFile = dwError == ERROR_FILE_NOT_FOUND || dwError == ERROR_PATH_NOT_FOUND;
        return nullptr;
    }
    const int fd = _open_osfhandle((intptr_t)h, _O_RDONLY | _O_BINARY);
    if (fd == -1) {
        CloseHandle(h);
        return nullptr;
    }
    FILE* f = _fdopen(fd, "rb");
    if (f == nullptr) _close(fd);  // closes the handle too
    return f;
#else
    FILE* f = fopen(path, "rb");
    *pbNoFile = f == nullptr && (errno == ENOENT || errno == ENOTDIR);
    return f;
#endif
}

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

// The format has no escape for "<": written out, it would open a tag in the
// middle of the value and shift the structure of everything after it, losing
// every later element on the next read. Such an element is left out with its
// children, so the reader falls back on its defaults for that element alone.
bool IsWritable(const XML_Node* node) { return node->GetValue().Find('<') < 0; }

bool WriteClosing(FILE* f, const CString& indent, const CString& name) {
    CString line;
    line.Format("%s</%s>\n", indent.GetString(), name.GetString());
    return WriteLine(f, line);
}

// The token between two angle brackets, collected in the reader's buffer.
//
// A token that begins after a ">" (or at the start of the file) can only end
// as text. Such a token is kept as its text will be: leading blanks are not
// stored, "\colon" becomes "/" as soon as it is complete, and blanks at the
// end do not count until more text follows. The buffer's limit therefore
// applies to the value itself, whatever indentation surrounds it and however
// many slashes the writer spelled out, so every value of up to kMaxToken
// bytes that the writer wrote reads back. A token that begins after "<" is
// kept as it came, since it is normally a tag.
//
// Text longer than the limit is dropped (a cut value would be a wrong
// value); a longer tag is cut, never in the middle of a character, and still
// opens or closes its element, which keeps the nesting of the rest intact.
// The token is a C string: a zero byte ends it.
class Token {
public:
    void Start(bool textOnly) {
        m_textOnly = textOnly;
        m_len = 0;
        m_textLen = 0;
        m_overlong = false;
        m_blankOverflow = false;
        m_ended = false;
    }

    void Append(int c) {
        if (m_ended) return;
        if (c == 0) {
            m_ended = true;
            return;
        }
        if (!m_textOnly) {
            if (m_len < XML_File::kMaxToken)
                m_buf[m_len++] = (char)c;
            else
                m_overlong = true;
            return;
        }
        bool blank = IsBlank(c);
        if (blank && m_len == 0) return;  // leading blank
        if (m_len == kCapacity) {
            // Blanks past the end only matter if text follows them.
            if (blank)
                m_blankOverflow = true;
            else
                m_overlong = true;
            return;
        }
        // Whole characters only: a trail byte 0x5C never starts "\colon".
        m_start[m_len] = m_len == 0 || !m_start[m_len - 1] || !FwIsLeadByte((unsigned char)m_buf[m_len - 1]);
        m_buf[m_len++] = (char)c;
        if (!blank) m_textLen = m_len;
        if (m_len >= 6 && m_start[m_len - 6] && memcmp(m_buf + m_len - 6, "\\colon", 6) == 0) {
            m_len -= 5;
            m_buf[m_len - 1] = '/';
            m_textLen = m_len;
        }
    }

    // Passes the token to the tree as text; blank or too long: nothing.
    void AddAsText(XML_Tree* tree) {
        if (m_overlong) return;
        int start = 0;
        int end = m_textOnly ? m_textLen : m_len;
        if (end > XML_File::kMaxToken) return;
        while (start < end && IsBlank((unsigned char)m_buf[start]))
            ++start;
        while (end > start && IsBlank((unsigned char)m_buf[end - 1]))
            --end;
        if (start == end) return;
        CString text(m_buf + start, end - start);
        if (!m_textOnly) XML_File::UnmakeSaveString(text);
        tree->AddValue(text);
    }

    bool IsClosingTag() const { return m_len > 0 && m_buf[0] == '/'; }

    CString TagName() const {
        int len = m_len;
        if (m_overlong) {
            int i = 0;
            while (i < len) {
                int w = FwIsLeadByte((unsigned char)m_buf[i]) ? 2 : 1;
                if (i + w > len) break;
                i += w;
            }
            len = i;
        }
        return CString(m_buf, len);
    }

private:
    // Room for a complete value plus the "\colo" that a following "n" would
    // turn into one "/".
    enum { kCapacity = XML_File::kMaxToken + 5 };

    char m_buf[kCapacity];
    bool m_start[kCapacity];  // the byte begins a character
    int m_len = 0;
    int m_textLen = 0;  // up to the last non-blank byte
    bool m_textOnly = true;
    bool m_overlong = false;
    bool m_blankOverflow = false;
    bool m_ended = false;  // a zero byte was seen
};

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
    if (root != nullptr && IsWritable(root)) {
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
                if (!IsWritable(child)) continue;
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
    ReadXMLFileChecked(tree, path);
    return true;
}

XML_File::ReadResult XML_File::ReadXMLFileChecked(XML_Tree* tree, CString path) {
    if (tree == nullptr) return ReadDone;
    bool bNoFile = false;
    FILE* f = OpenForReading(path, &bNoFile);
    if (f == nullptr) return bNoFile ? ReadNoFile : ReadFailed;

    Token token;
    token.Start(true);
    bool inTag = false;
    int c;
    while ((c = fgetc(f)) != EOF) {
        if (c == '<') {
            token.AddAsText(tree);
            inTag = true;
            token.Start(false);
        } else if (inTag && c == '>') {
            if (token.IsClosingTag()) {
                tree->EndElement();  // the name is never compared
            } else {
                tree->AddElement(token.TagName());
            }
            inTag = false;
            token.Start(true);
        } else {
            token.Append(c);
        }
    }
    // A token still open at the end is dropped.
    const bool bError = ferror(f) != 0;
    fclose(f);
    return bError ? ReadFailed : ReadDone;
}

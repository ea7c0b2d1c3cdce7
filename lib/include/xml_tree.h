// The element-only XML tree that holds config.xml, and its text file form.
//
// An element carries a name, a text value and ordered child elements; there
// are no attributes, comments, declarations or entity references. Strings are
// narrow CStrings in the ANSI code page; bytes above 0x7F pass through.
#pragma once

#include "framework/carray.h"
#include "framework/cstring.h"
#include "kp_export.h"

class KPLIB_API XML_Node {
public:
    // A node created with a parent appends itself to the parent's children:
    // the parent owns it from then on and deletes it.
    XML_Node(XML_Node* parent, CString name);
    virtual ~XML_Node();

    // A copy would leave two owners of one subtree.
    XML_Node(const XML_Node&) = delete;
    XML_Node& operator=(const XML_Node&) = delete;

    CString GetName() const;
    CString GetValue() const;
    XML_Node* GetParent() const;
    int GetValueAsInt() const;    // atoi of the value
    long GetValueAsLong() const;  // atol of the value

    void AddValue(CString text);  // replaces the value

    // First child of that exact (case-sensitive) name, or null. The cursor
    // does not move.
    XML_Node* GetSubItem(CString name) const;

    // One traversal at a time per node: GetFirstSubItem (re)starts it,
    // GetNextSubItem returns null once past the last child and keeps doing so.
    XML_Node* GetFirstSubItem();
    XML_Node* GetNextSubItem();

protected:
    void AddChild(XML_Node* child);

private:
    friend class XML_File;  // the writer walks the children without moving cursors

    CString m_strName;
    CString m_strValue;
    XML_Node* m_pParent;                      // not owned
    CArray<XML_Node*, XML_Node*> m_children;  // owned
    int m_nCursor;                            // -1 while unset
};

// Builds a tree element by element: AddElement opens an element below the
// current one, AddValue sets the current element's text, EndElement closes
// it. Once the root has been closed nothing changes any more.
class KPLIB_API XML_Tree {
public:
    XML_Tree();
    virtual ~XML_Tree();

    XML_Tree(const XML_Tree&) = delete;
    XML_Tree& operator=(const XML_Tree&) = delete;

    void AddElement(CString name);
    void AddValue(CString text);
    void AddValue(int n);   // "%d"
    void AddValue(long n);  // "%ld"
    void EndElement();
    XML_Node* GetRoot() const;
    // Whether the root has been opened and closed again: a file that held
    // it was read to its end, not cut short.
    bool IsComplete() const { return m_pRoot != nullptr && m_pCurrent == nullptr; }

private:
    XML_Node* m_pRoot;     // owned
    XML_Node* m_pCurrent;  // not owned; null while empty and after the root closed
};

class KPLIB_API XML_File {
public:
    virtual ~XML_File();

    // Writes the tree, one element per opening line, value line and closing
    // line, indented one space per level, line feeds only. An element whose
    // value holds "<" is left out with its children: the format cannot carry
    // it. A file that cannot be written is silently not written; the result
    // is always true.
    static bool WriteXMLFile(XML_Tree* tree, CString path);

    // Reads the file into the tree through AddElement/AddValue/EndElement. A
    // missing file leaves the tree as it was; the result is always true.
    static bool ReadXMLFile(XML_Tree* tree, CString path);

    // ReadXMLFile that says how reading went. ReadNoFile only when there is
    // no such file; a file that is there but cannot be opened (held by
    // another program without sharing, access denied) or read to its end is
    // ReadFailed, and what the tree then holds is not to be trusted.
    enum ReadResult { ReadDone, ReadNoFile, ReadFailed };
    static ReadResult ReadXMLFileChecked(XML_Tree* tree, CString path);

    // "/" <-> "\colon", whole characters only (a trail byte 0x5C never starts
    // "\colon").
    static void MakeSaveString(CString& str);
    static void UnmakeSaveString(CString& str);

    // WriteXMLFile that says whether the file is complete: false when it
    // could not be opened or any write, flush or close failed. The data is
    // flushed to the disk before the file is closed, so a caller that then
    // renames it over an older file never replaces that with a partial one.
    static bool WriteXMLFileChecked(XML_Tree* tree, CString path);

    // Longest token the reader keeps (its buffer of 240 bytes less the
    // terminator), counted for text as the value it gives (blanks at the
    // ends and the "\colon" spelling do not count). Longer text is dropped;
    // a longer tag is cut to this length.
    enum { kMaxToken = 239 };
    // Deepest indentation the writer produces; deeper elements stay at it.
    enum { kMaxIndent = 79 };
};

#include "xml_tree.h"

#include <new>
#include <stdlib.h>

// XML_Node

XML_Node::XML_Node(XML_Node* parent, CString name) : m_strName(name), m_pParent(parent), m_nCursor(-1) {
    if (parent != nullptr) parent->AddChild(this);
}

XML_Node::~XML_Node() {
    // A file may nest elements hundreds of thousands deep; deleting them
    // recursively would exhaust the stack. Pull every descendant up into our
    // own list first, so that each delete below meets a node without
    // children and the teardown never goes more than one call deep.
    for (int i = 0; i < m_children.GetSize(); ++i) {
        XML_Node* child = m_children[i];
        for (int k = 0; k < child->m_children.GetSize(); ++k)
            m_children.Add(child->m_children[k]);
        child->m_children.RemoveAll();
    }
    for (int i = 0; i < m_children.GetSize(); ++i)
        delete m_children[i];
    m_children.RemoveAll();
}

CString XML_Node::GetName() const { return m_strName; }

CString XML_Node::GetValue() const { return m_strValue; }

XML_Node* XML_Node::GetParent() const { return m_pParent; }

int XML_Node::GetValueAsInt() const { return atoi(m_strValue); }

long XML_Node::GetValueAsLong() const { return atol(m_strValue); }

void XML_Node::AddValue(CString text) { m_strValue = text; }

void XML_Node::AddChild(XML_Node* child) { m_children.Add(child); }

XML_Node* XML_Node::GetSubItem(CString name) const {
    for (int i = 0; i < m_children.GetSize(); ++i) {
        if (m_children[i]->m_strName == name) return m_children[i];
    }
    return nullptr;
}

XML_Node* XML_Node::GetFirstSubItem() {
    m_nCursor = 0;
    return m_children.GetSize() > 0 ? m_children[0] : nullptr;
}

XML_Node* XML_Node::GetNextSubItem() {
    if (m_nCursor < 0 || m_nCursor >= m_children.GetSize()) return nullptr;
    ++m_nCursor;
    return m_nCursor < m_children.GetSize() ? m_children[m_nCursor] : nullptr;
}

// XML_Tree

XML_Tree::XML_Tree() : m_pRoot(nullptr), m_pCurrent(nullptr) {}

XML_Tree::~XML_Tree() { delete m_pRoot; }

void XML_Tree::AddElement(CString name) {
    if (m_pRoot == nullptr) {
        m_pRoot = new (std::nothrow) XML_Node(nullptr, name);
        m_pCurrent = m_pRoot;
    } else if (m_pCurrent != nullptr) {
        XML_Node* node = new (std::nothrow) XML_Node(m_pCurrent, name);
        // Out of memory: stay where we are; the element's closing tag will
        // then close its parent, which is the best a reader can do.
        if (node != nullptr) m_pCurrent = node;
    }
}

void XML_Tree::AddValue(CString text) {
    if (m_pCurrent != nullptr) m_pCurrent->AddValue(text);
}

void XML_Tree::AddValue(int n) {
    CString text;
    text.Format("%d", n);
    AddValue(text);
}

void XML_Tree::AddValue(long n) {
    CString text;
    text.Format("%ld", n);
    AddValue(text);
}

void XML_Tree::EndElement() {
    if (m_pCurrent != nullptr) m_pCurrent = m_pCurrent->GetParent();
}

XML_Node* XML_Tree::GetRoot() const { return m_pRoot; }

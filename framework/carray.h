// CArray<TYPE, ARG_TYPE>: a growable array of values.
//
// An out-of-range index breaks the caller's contract (KFW_CHECK): test builds
// stop there; release builds read a default element kept for the purpose and
// ignore the write instead of corrupting memory. The layer never throws, so a
// failed allocation leaves the array as it was and Add returns -1.
#pragma once

#include "framework/contract.h"

#include <limits.h>
#include <new>
#include <stddef.h>

template <class TYPE, class ARG_TYPE = const TYPE&>
class CArray {
public:
    CArray() : m_pData(nullptr), m_nSize(0), m_nMaxSize(0) {}
    CArray(const CArray& src) : CArray() { Copy(src); }
    CArray& operator=(const CArray& src) {
        if (this != &src) Copy(src);
        return *this;
    }
    ~CArray() { RemoveAll(); }

    // Attributes
    int GetSize() const { return m_nSize; }
    int GetCount() const { return m_nSize; }
    int GetUpperBound() const { return m_nSize - 1; }
    bool IsEmpty() const { return m_nSize == 0; }
    TYPE* GetData() { return m_pData; }
    const TYPE* GetData() const { return m_pData; }

    // Sets the number of elements; new ones are value-initialised.
    bool SetSize(int nNewSize) {
        if (nNewSize < 0) return false;
        if (nNewSize > m_nMaxSize && !Grow(nNewSize)) return false;
        for (int i = m_nSize; i < nNewSize; ++i)
            new (&m_pData[i]) TYPE();
        for (int i = nNewSize; i < m_nSize; ++i)
            m_pData[i].~TYPE();
        m_nSize = nNewSize;
        return true;
    }
    void RemoveAll() {
        for (int i = 0; i < m_nSize; ++i)
            m_pData[i].~TYPE();
        ::operator delete(m_pData);
        m_pData = nullptr;
        m_nSize = m_nMaxSize = 0;
    }

    // Element access
    TYPE GetAt(int i) const { return InRange(i) ? m_pData[i] : TYPE(); }
    void SetAt(int i, ARG_TYPE v) {
        if (InRange(i)) m_pData[i] = v;
    }
    TYPE& ElementAt(int i) { return InRange(i) ? m_pData[i] : Spare(); }
    const TYPE& ElementAt(int i) const { return InRange(i) ? m_pData[i] : Spare(); }
    TYPE& operator[](int i) { return ElementAt(i); }
    const TYPE& operator[](int i) const { return ElementAt(i); }

    // Growing the array
    int Add(ARG_TYPE v) {
        TYPE copy(v);  // v may refer into this array
        if (m_nSize == m_nMaxSize && !Grow(m_nSize + 1)) return -1;
        new (&m_pData[m_nSize]) TYPE(copy);
        return m_nSize++;
    }
    void SetAtGrow(int i, ARG_TYPE v) {
        if (i < 0) return;
        TYPE copy(v);
        if (i >= m_nSize && !SetSize(i + 1)) return;
        m_pData[i] = copy;
    }
    int Append(const CArray& src) {
        int first = m_nSize;
        CArray copy(src);
        for (int i = 0; i < copy.m_nSize; ++i)
            Add(copy.m_pData[i]);
        return first;
    }
    void Copy(const CArray& src) {
        if (this == &src) return;
        RemoveAll();
        if (src.m_nSize == 0 || !Grow(src.m_nSize)) return;
        for (int i = 0; i < src.m_nSize; ++i)
            new (&m_pData[i]) TYPE(src.m_pData[i]);
        m_nSize = src.m_nSize;
    }
    void InsertAt(int i, ARG_TYPE v, int nCount = 1) {
        if (i < 0 || nCount <= 0) return;
        TYPE copy(v);
        if (i >= m_nSize) {
            if (!SetSize(i + nCount)) return;
            for (int k = i; k < i + nCount; ++k)
                m_pData[k] = copy;
            return;
        }
        int oldSize = m_nSize;
        if (!SetSize(m_nSize + nCount)) return;
        for (int k = oldSize - 1; k >= i; --k)
            m_pData[k + nCount] = m_pData[k];
        for (int k = i; k < i + nCount; ++k)
            m_pData[k] = copy;
    }
    void RemoveAt(int i, int nCount = 1) {
        if (i < 0 || nCount <= 0 || i >= m_nSize) return;
        if (nCount > m_nSize - i) nCount = m_nSize - i;
        for (int k = i + nCount; k < m_nSize; ++k)
            m_pData[k - nCount] = m_pData[k];
        SetSize(m_nSize - nCount);
    }

private:
    bool InRange(int i) const {
        KFW_CHECK_MSG(i >= 0 && i < m_nSize, "CArray index out of range");
        return i >= 0 && i < m_nSize;
    }
    bool Grow(int nNeeded) {
        if (nNeeded <= m_nMaxSize) return true;
        int nNew = m_nMaxSize < 4 ? 4 : m_nMaxSize;
        while (nNew < nNeeded)
            nNew = nNew > INT_MAX / 2 ? nNeeded : nNew * 2;
        if ((size_t)nNew > ((size_t)-1) / sizeof(TYPE)) return false;
        TYPE* p = static_cast<TYPE*>(::operator new(sizeof(TYPE) * (size_t)nNew, std::nothrow));
        KFW_CHECK_MSG(p != nullptr, "CArray could not grow");
        if (p == nullptr) return false;
        for (int i = 0; i < m_nSize; ++i) {
            new (&p[i]) TYPE(m_pData[i]);
            m_pData[i].~TYPE();
        }
        ::operator delete(m_pData);
        m_pData = p;
        m_nMaxSize = nNew;
        return true;
    }
    static TYPE& Spare() {
        static TYPE s;
        s = TYPE();
        return s;
    }

    TYPE* m_pData;  // owned
    int m_nSize;
    int m_nMaxSize;
};

// A list node that owns a heap object through its pointer.
#ifndef QVR_PTR_NODE_H
#define QVR_PTR_NODE_H

#include "core/qvr_node.h"
#include "diagnostics/entries/qvr_mem_destroy_fail_warning.h"

#include <type_traits>

template <class T> class CQVRPtrNode : public CQVRNode<const T*, T*> {
public:
    typedef const T* ArgType;
    typedef T ValueType;

    // Takes ownership of the pointee.
    explicit CQVRPtrNode(const T* pointer, uint32_t ulKey = 0)
        : CQVRNode<const T*, T*>(ulKey), m_pPointer(const_cast<T*>(pointer))
    {
    }

    ~CQVRPtrNode() override
    {
        try {
            delete m_pPointer;
        } catch (...) {
            CMemDestroyFailWarning warning(QVR_T("m_pPointer"), kQVRDblListFile, __LINE__);
        }
        m_pPointer = nullptr;
    }

    // Pointees are compared, not addresses; two missing pointees are equal.
    bool operator==(const T* value) const override
    {
        if (m_pPointer == nullptr || value == nullptr)
            return m_pPointer == value;
        return *m_pPointer == *value;
    }
    bool operator!=(const T* value) const override
    {
        if (m_pPointer == nullptr || value == nullptr)
            return m_pPointer != value;
        return *m_pPointer != *value;
    }
    bool operator<(const T* value) const override
    {
        return m_pPointer != nullptr && value != nullptr && CQVRNodeOrder<T>::less(*m_pPointer, *value);
    }
    bool operator>(const T* value) const override
    {
        return m_pPointer != nullptr && value != nullptr && CQVRNodeOrder<T>::greater(*m_pPointer, *value);
    }
    T* getValue() override { return m_pPointer; }
    // The old pointee is left to whoever still holds it.
    void setValue(const T* value) override { m_pPointer = const_cast<T*>(value); }

    ArgType argument() const { return m_pPointer; }
    T* getValuePointer() { return m_pPointer; }
    const T* getValuePointer() const { return m_pPointer; }

    T* m_pPointer;
};

// The one place that tells node kinds apart: a list of owning pointer nodes
// copies the pointees when it is copied, the other kinds copy values.
template <class TNode> struct CQVRNodeOwnsPointee : std::false_type {
};
template <class T> struct CQVRNodeOwnsPointee<CQVRPtrNode<T>> : std::true_type {
};

#endif

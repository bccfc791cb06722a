// A list node that holds its own copy of the value.
#ifndef QVR_OBJ_NODE_H
#define QVR_OBJ_NODE_H

#include "core/qvr_node.h"

template <class T> class CQVRObjNode : public CQVRNode<const T&, T&> {
public:
    typedef const T& ArgType;
    typedef T ValueType;

    explicit CQVRObjNode(const T& value, uint32_t ulKey = 0) : CQVRNode<const T&, T&>(ulKey), m_object(value) {}

    bool operator==(const T& value) const override { return m_object == value; }
    bool operator!=(const T& value) const override { return m_object != value; }
    bool operator<(const T& value) const override { return CQVRNodeOrder<T>::less(m_object, value); }
    bool operator>(const T& value) const override { return CQVRNodeOrder<T>::greater(m_object, value); }
    T& getValue() override { return m_object; }
    void setValue(const T& value) override { m_object = value; }

    // The held value as the list hands it to other nodes and to callers.
    ArgType argument() const { return m_object; }
    T* getValuePointer() { return &m_object; }
    const T* getValuePointer() const { return &m_object; }

    T m_object;
};

#endif

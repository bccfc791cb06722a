// A list node that holds a plain value (numbers, enumerations).
#ifndef QVR_STD_NODE_H
#define QVR_STD_NODE_H

#include "core/qvr_node.h"

template <class T> class CQVRStdNode : public CQVRNode<T> {
public:
    typedef T ArgType;
    typedef T ValueType;

    explicit CQVRStdNode(T value, uint32_t ulKey = 0) : CQVRNode<T>(ulKey), m_value(value) {}

    bool operator==(T value) const override { return m_value == value; }
    bool operator!=(T value) const override { return m_value != value; }
    bool operator<(T value) const override { return m_value < value; }
    bool operator>(T value) const override { return m_value > value; }
    T getValue() override { return m_value; }
    void setValue(T value) override { m_value = value; }

    ArgType argument() const { return m_value; }
    T* getValuePointer() { return &m_value; }
    const T* getValuePointer() const { return &m_value; }

    T m_value;
};

#endif

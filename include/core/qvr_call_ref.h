// A reference to something callable with no arguments, for a method that runs
// a caller's step while it holds a resource. It owns nothing and allocates
// nothing, so the callable must outlive the call, as a lambda passed straight
// to the method does.
#ifndef QVR_CALL_REF_H
#define QVR_CALL_REF_H

#include <type_traits>

template <class R> class CQVRCallRef {
public:
    // Not explicit: a lambda converts where a step is asked for.
    template <class F, class = std::enable_if_t<!std::is_same_v<std::decay_t<F>, CQVRCallRef>>>
    CQVRCallRef(F&& callable)
        : m_pCallable(const_cast<void*>(static_cast<const void*>(&callable))),
          m_pInvoke([](void* pCallable) -> R { return (*static_cast<std::remove_reference_t<F>*>(pCallable))(); })
    {
    }

    R operator()() const { return m_pInvoke(m_pCallable); }

private:
    void* m_pCallable;
    R (*m_pInvoke)(void*);
};

#endif

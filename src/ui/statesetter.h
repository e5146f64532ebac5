#pragma once
// The test screen's state objects notify on every assignment, even of an equal
// value, so views that read a field always redraw after the screen writes it.

#define TREVLAMARK_NOTIFYING_SETTER(Class, Type, name, member, signal) \
    void Class::name(Type value)                                       \
    {                                                                  \
        member = value;                                                \
        emit signal();                                                 \
    }

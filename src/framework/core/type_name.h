#pragma once
// The name under which a type travels on a stream and is registered as a message. It is given per type
// by this trait, never taken from the compiler's type identification, so that every build of the program
// writes and reads the same names.
#include <concepts>
#include <cstdint>
#include <string>

namespace vael {

template <class T> class List;

template <class T> struct TypeName; // no default: a type without a name cannot be boxed

// Whether T has a wire name. Give a type its name right after the type itself, so that every file sees
// the same answer.
template <class T>
concept HasTypeName = requires {
    { TypeName<T>::name() } -> std::convertible_to<const char*>;
};

#define VAEL_TYPE_NAME(Type, text)                                                                           \
    template <> struct TypeName<Type> {                                                                      \
        static const char* name() { return text; }                                                           \
    }

VAEL_TYPE_NAME(char, "char");
VAEL_TYPE_NAME(signed char, "signed char");
VAEL_TYPE_NAME(unsigned char, "unsigned char");
VAEL_TYPE_NAME(short, "short");
VAEL_TYPE_NAME(unsigned short, "unsigned short");
VAEL_TYPE_NAME(int, "int");
VAEL_TYPE_NAME(unsigned int, "unsigned int");
VAEL_TYPE_NAME(long, "long");
VAEL_TYPE_NAME(unsigned long, "unsigned long");
// On this platform std::int64_t is `long`, which travels in 4 bytes like every `long`: values that need
// 8 bytes on the wire are `long long`.
VAEL_TYPE_NAME(long long, "__int64");
VAEL_TYPE_NAME(unsigned long long, "unsigned __int64");
VAEL_TYPE_NAME(double, "double");
VAEL_TYPE_NAME(std::string, "string");
VAEL_TYPE_NAME(const char*, "const char *");

// A pointer travels under its target's name followed by " *" ("ChildWindow *"): the pointer only, never
// what it points to.
template <class T>
requires HasTypeName<T>
struct TypeName<T*> {
    static const char* name() {
        static const std::string text = std::string(TypeName<T>::name()) + " *";
        return text.c_str();
    }
};

// A list travels under "List<" + the element's name + ">".
template <class T>
requires HasTypeName<T>
struct TypeName<List<T>> {
    static const char* name() {
        static const std::string text = std::string("List<") + TypeName<T>::name() + ">";
        return text.c_str();
    }
};

} // namespace vael

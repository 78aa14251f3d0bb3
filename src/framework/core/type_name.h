#pragma once
// The name under which a type travels on a stream and is registered as a message. It is given per type
// by this trait, never taken from the compiler's type identification, so that every build of the program
// writes and reads the same names.
#include <cstdint>
#include <string>

namespace vael {

template <class T> struct TypeName; // no default: a type without a name cannot be boxed

#define VAEL_TYPE_NAME(Type, text)                                                                           \
    template <> struct TypeName<Type> {                                                                      \
        static const char* name() { return text; }                                                          \
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
VAEL_TYPE_NAME(long long, "__int64");
VAEL_TYPE_NAME(unsigned long long, "unsigned __int64");
VAEL_TYPE_NAME(double, "double");
VAEL_TYPE_NAME(std::string, "string");
VAEL_TYPE_NAME(const char*, "const char *");

} // namespace vael

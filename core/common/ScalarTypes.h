#pragma once

#include <QMetaType>

// Scalar names used in signal and slot signatures across the program.
typedef bool Bool;
typedef unsigned char Byte;
typedef unsigned short Word;
typedef unsigned int DWord;
typedef unsigned long long QWord;
typedef signed char SByte;
typedef short SWord;
typedef int SDWord;

// Makes the names known to the meta-type system so that signals and slots
// declared with them connect by signature and can be queued.
void RegisterScalarTypeNames();

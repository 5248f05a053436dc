// The runtime values of the language and its library of number and text functions.
//
// Texts are RtString (rt_string.h), arrays RtArray (rt_array.h). Every number argument and result is a
// 64-bit float; number arguments are truncated toward zero where an integer is meant. Text arguments are
// read-only, text results new values. Errors end the program through RaiseRuntimeError (program_end.h).
#pragma once

#include <cstdint>

#include "runtime/rt_array.h"
#include "runtime/rt_string.h"

// ---------------------------------------------------------------------------------------------------
// Numbers

double Sin(double degrees);  // sine of an angle in degrees
double Cos(double degrees);  // cosine of an angle in degrees
double Tan(double degrees);  // tangent of an angle in degrees
double ATan(double y, double x);  // angle of the point (x, y) in degrees, -180 to 180
double ACos(double x);  // arc cosine in degrees; 0 for x >= 1, 180 for x <= -1
double Sqr(double x);  // square root (not a number for negative x)
double Abs(double x);  // x when x >= 0, else -x
double Pow(double x, double y);  // x raised to y
double FMod(double x, double y);  // floating remainder of x / y with the sign of x; 0 when y is 0
double IntMod(double x, double y);  // remainder of the 32-bit integers; 0 when the truncated y is 0
double BoxCollision(double x1, double y1, double w1, double h1,
                    double x2, double y2, double w2, double h2);  // 1 when the rectangles overlap or touch
double NumberTextLength(double x);  // characters of x written by the number text rule

// ---------------------------------------------------------------------------------------------------
// Random numbers (ISAAC)

void SeedRandomGenerator(std::uint32_t seed);  // the engine start seeds with the clock's milliseconds
double Rnd(double n);  // a whole number from 0 to trunc(n); 0 without a step when n <= 0 or NaN

// ---------------------------------------------------------------------------------------------------
// Texts

double Len(const RtString& text);  // length in bytes
double Asc(const RtString& text);  // first byte, 0 to 255; 0 for the empty text
RtString Chr(double n);  // one byte of the low 8 bits of the 16-bit n; empty when that byte is 0
RtString LowerCase(const RtString& text);  // 'A'..'Z' lowered, other bytes unchanged
RtString UpperCase(const RtString& text);  // 'a'..'z' raised, other bytes unchanged
double InStr(const RtString& text, const RtString& search);  // first position of search, -1 if none, 0 if empty
RtString MidStr(const RtString& text, double start, double count);  // count bytes from start; empty outside
RtString ReplaceStr(const RtString& text, const RtString& search,
                    const RtString& replacement);  // every occurrence, left to right; empty search: unchanged
RtString FormatNumber(double width, double decimals, double value);  // fixed point, right-aligned, max 256 chars
double SplitText(const RtString& text, RtArray<RtString>& pieces,
                 const RtString& delimiters);  // pieces between runs of delimiter bytes; their number
RtString HexText(const std::uint8_t* bytes, std::int32_t count);  // two upper-case hex digits per byte

// ---------------------------------------------------------------------------------------------------
// Data lists: the game program's constant data items, read in order

// One item: a number (text null) or a text (value unused).
struct DataItem {
    double value = 0;            // the number of a number item
    const char* text = nullptr;  // the zero-terminated text of a text item, null for a number item
};

// A list of items and the index of the next one to read.
struct DataList {
    const DataItem* items = nullptr;  // the items in source order
    std::int32_t count = 0;           // number of items
    std::int32_t next = 0;            // index of the next item to read
};

void RestoreData(DataList& list);  // makes list the current one, read from its first item
double ReadDataNumber();  // the next item as a number; error 20 when no list or no item is left
RtString ReadDataText();  // the next item as a text; error 20 when no list or no item is left

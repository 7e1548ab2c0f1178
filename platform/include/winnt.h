// Language identifiers, as resource scripts' LANGUAGE statements and the
// resource calls take them. Readable by the resource compiler.
#pragma once

#define LANG_NEUTRAL 0x00
#define LANG_CHINESE 0x04
#define LANG_GERMAN 0x07
#define LANG_ENGLISH 0x09
#define LANG_SPANISH 0x0a
#define LANG_FRENCH 0x0c
#define LANG_ITALIAN 0x10
#define LANG_JAPANESE 0x11
#define LANG_KOREAN 0x12
#define LANG_DUTCH 0x13
#define LANG_PORTUGUESE 0x16
#define LANG_RUSSIAN 0x19

#define SUBLANG_NEUTRAL 0x00
#define SUBLANG_DEFAULT 0x01
#define SUBLANG_SYS_DEFAULT 0x02
#define SUBLANG_CHINESE_TRADITIONAL 0x01
#define SUBLANG_CHINESE_SIMPLIFIED 0x02
#define SUBLANG_GERMAN 0x01
#define SUBLANG_ENGLISH_US 0x01
#define SUBLANG_SPANISH 0x01
#define SUBLANG_SPANISH_MEXICAN 0x02
#define SUBLANG_SPANISH_MODERN 0x03
#define SUBLANG_FRENCH 0x01
#define SUBLANG_ITALIAN 0x01
#define SUBLANG_KOREAN 0x01
#define SUBLANG_DUTCH 0x01
#define SUBLANG_PORTUGUESE_BRAZILIAN 0x01
#define SUBLANG_PORTUGUESE 0x02
#define SUBLANG_RUSSIAN 0x01

#define MAKELANGID(primary, sub) ((((WORD)(sub)) << 10) | (WORD)(primary))
#define PRIMARYLANGID(lang) ((WORD)(lang) & 0x3ff)
#define SUBLANGID(lang) ((WORD)(lang) >> 10)

// The Win32 types, constants and error codes that the platform layer speaks.
// On Windows they are the system's own, from <windows.h>; elsewhere this file
// declares them with the same values so that code reads the same on both
// builds. Above the platform layer nothing else includes <windows.h>.
#pragma once

#include <cstdint>

#ifdef _WIN32

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
// The network management and spooler headers need <windows.h> before them.
#include <lm.h>
#include <winspool.h>

namespace win {

using ::BOOL;
using ::BYTE;
using ::DWORD;
using ::FILETIME;
using ::HKEY;
using ::HWND;
using ::LONG;
using ::REGSAM;
using ::UINT;
using ::WORD;

}  // namespace win

#else

namespace win {

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using LONG = std::int32_t;
using BOOL = int;
using UINT = unsigned int;
using REGSAM = DWORD;

struct HKEY__;
using HKEY = HKEY__*;
using HWND = void*;

struct FILETIME {
  DWORD dwLowDateTime = 0;
  DWORD dwHighDateTime = 0;
};

inline HKEY predefinedKey(std::uintptr_t value) {
  return reinterpret_cast<HKEY>(value);
}
inline const HKEY HKEY_CLASSES_ROOT = predefinedKey(0x80000000u);
inline const HKEY HKEY_CURRENT_USER = predefinedKey(0x80000001u);
inline const HKEY HKEY_LOCAL_MACHINE = predefinedKey(0x80000002u);
inline const HKEY HKEY_USERS = predefinedKey(0x80000003u);

inline constexpr BOOL TRUE = 1;
inline constexpr BOOL FALSE = 0;

// Error codes (winerror.h).
inline constexpr LONG ERROR_SUCCESS = 0;
inline constexpr LONG ERROR_FILE_NOT_FOUND = 2;
inline constexpr LONG ERROR_PATH_NOT_FOUND = 3;
inline constexpr LONG ERROR_ACCESS_DENIED = 5;
inline constexpr LONG ERROR_INVALID_HANDLE = 6;
inline constexpr LONG ERROR_NOT_ENOUGH_MEMORY = 8;
inline constexpr LONG ERROR_INVALID_PARAMETER = 87;
inline constexpr LONG ERROR_BAD_PATHNAME = 161;
inline constexpr LONG ERROR_ALREADY_EXISTS = 183;
inline constexpr LONG ERROR_FILENAME_EXCED_RANGE = 206;
inline constexpr LONG ERROR_MORE_DATA = 234;
inline constexpr LONG ERROR_NO_MORE_ITEMS = 259;
inline constexpr LONG ERROR_BADDB = 1009;
inline constexpr LONG ERROR_BADKEY = 1010;
inline constexpr LONG ERROR_CANTOPEN = 1011;
inline constexpr LONG ERROR_CANTREAD = 1012;
inline constexpr LONG ERROR_CANTWRITE = 1013;
inline constexpr LONG ERROR_REGISTRY_CORRUPT = 1015;
inline constexpr LONG ERROR_REGISTRY_IO_FAILED = 1016;
inline constexpr LONG ERROR_KEY_DELETED = 1018;

// Value types (winnt.h).
inline constexpr DWORD REG_NONE = 0;
inline constexpr DWORD REG_SZ = 1;
inline constexpr DWORD REG_EXPAND_SZ = 2;
inline constexpr DWORD REG_BINARY = 3;
inline constexpr DWORD REG_DWORD = 4;
inline constexpr DWORD REG_DWORD_BIG_ENDIAN = 5;
inline constexpr DWORD REG_LINK = 6;
inline constexpr DWORD REG_MULTI_SZ = 7;
inline constexpr DWORD REG_RESOURCE_LIST = 8;
inline constexpr DWORD REG_QWORD = 11;

// Access rights.
inline constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
inline constexpr REGSAM KEY_SET_VALUE = 0x0002;
inline constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
inline constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
inline constexpr REGSAM KEY_NOTIFY = 0x0010;
inline constexpr REGSAM KEY_CREATE_LINK = 0x0020;
inline constexpr REGSAM DELETE = 0x00010000;
inline constexpr REGSAM READ_CONTROL = 0x00020000;
inline constexpr REGSAM KEY_READ = 0x00020019;
inline constexpr REGSAM KEY_WRITE = 0x00020006;
inline constexpr REGSAM KEY_ALL_ACCESS = 0x000F003F;

inline constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
inline constexpr DWORD REG_CREATED_NEW_KEY = 1;
inline constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

// Message boxes (winuser.h).
inline constexpr UINT MB_OK = 0x00;
inline constexpr UINT MB_OKCANCEL = 0x01;
inline constexpr UINT MB_YESNOCANCEL = 0x03;
inline constexpr UINT MB_YESNO = 0x04;
inline constexpr UINT MB_ICONERROR = 0x10;
inline constexpr UINT MB_ICONQUESTION = 0x20;
inline constexpr UINT MB_ICONWARNING = 0x30;
inline constexpr UINT MB_ICONINFORMATION = 0x40;
inline constexpr UINT MB_TYPEMASK = 0x0F;
inline constexpr UINT MB_ICONMASK = 0xF0;
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

inline constexpr int SW_HIDE = 0;
inline constexpr int SW_SHOWNORMAL = 1;

}  // namespace win

// The constants keep their Win32 names and are visible unqualified, as
// windows.h makes them, so that code reads the same on both builds.
using win::DELETE;
using win::ERROR_ACCESS_DENIED;
using win::ERROR_ALREADY_EXISTS;
using win::ERROR_BAD_PATHNAME;
using win::ERROR_BADDB;
using win::ERROR_BADKEY;
using win::ERROR_CANTOPEN;
using win::ERROR_CANTREAD;
using win::ERROR_CANTWRITE;
using win::ERROR_FILE_NOT_FOUND;
using win::ERROR_FILENAME_EXCED_RANGE;
using win::ERROR_INVALID_HANDLE;
using win::ERROR_INVALID_PARAMETER;
using win::ERROR_KEY_DELETED;
using win::ERROR_MORE_DATA;
using win::ERROR_NO_MORE_ITEMS;
using win::ERROR_NOT_ENOUGH_MEMORY;
using win::ERROR_PATH_NOT_FOUND;
using win::ERROR_REGISTRY_CORRUPT;
using win::ERROR_REGISTRY_IO_FAILED;
using win::ERROR_SUCCESS;
using win::FALSE;
using win::HKEY_CLASSES_ROOT;
using win::HKEY_CURRENT_USER;
using win::HKEY_LOCAL_MACHINE;
using win::HKEY_USERS;
using win::IDCANCEL;
using win::IDNO;
using win::IDOK;
using win::IDYES;
using win::KEY_ALL_ACCESS;
using win::KEY_CREATE_LINK;
using win::KEY_CREATE_SUB_KEY;
using win::KEY_ENUMERATE_SUB_KEYS;
using win::KEY_NOTIFY;
using win::KEY_QUERY_VALUE;
using win::KEY_READ;
using win::KEY_SET_VALUE;
using win::KEY_WRITE;
using win::MB_ICONERROR;
using win::MB_ICONINFORMATION;
using win::MB_ICONMASK;
using win::MB_ICONQUESTION;
using win::MB_ICONWARNING;
using win::MB_OK;
using win::MB_OKCANCEL;
using win::MB_TYPEMASK;
using win::MB_YESNO;
using win::MB_YESNOCANCEL;
using win::READ_CONTROL;
using win::REG_BINARY;
using win::REG_CREATED_NEW_KEY;
using win::REG_DWORD;
using win::REG_DWORD_BIG_ENDIAN;
using win::REG_EXPAND_SZ;
using win::REG_LINK;
using win::REG_MULTI_SZ;
using win::REG_NONE;
using win::REG_OPENED_EXISTING_KEY;
using win::REG_OPTION_NON_VOLATILE;
using win::REG_QWORD;
using win::REG_RESOURCE_LIST;
using win::REG_SZ;
using win::SW_HIDE;
using win::SW_SHOWNORMAL;
using win::TRUE;

#endif  // _WIN32

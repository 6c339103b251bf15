// Text work on window addresses, free of the platform: going up a folder or a page
// level, and the parameters of the programs the actions start. Every result lives in a
// fixed buffer and is cut, never overrun.
#pragma once

#include <cstddef>

namespace cc {

// Addresses are handled in buffers of the platform's path size: at most 259 characters.
inline constexpr std::size_t kAddressUnits = 260;
using AddressBuffer = wchar_t[kAddressUnits];

// Copies `address` (null counts as empty), cut to 259 characters. Returns the length.
std::size_t CopyAddress(AddressBuffer& out, const wchar_t* address);

enum class UpFolderTarget {
    Nothing,  // no "/" in the address: stay
    Drives,   // the address ended with "/" (a drive root): the computer's drive list
    Address,  // the buffer now holds the parent folder's address, ending with "/"
};

// The path method of going up one folder, on an address such as file:///C:/WINDOWS.
UpFolderTarget UpOneFolderAddress(AddressBuffer& address);

// Going up one level of a web address: true when the buffer now holds the address to
// go to. An address with no path left (a scheme and "//"), or with nothing left at all
// (about:blank), stays where it is.
bool UpOneLevelAddress(AddressBuffer& address);

// The command prompt's parameters for a folder address: `/k "cd /d C:\path"`. False (and
// `out` empty) unless the address starts with "file:///". Only "%20" is decoded.
inline constexpr std::size_t kParameterUnits = 2 * kAddressUnits;
using ParameterBuffer = wchar_t[kParameterUnits];
bool CommandPromptParameters(const wchar_t* address, ParameterBuffer& out);

// `prefix` followed by `text` (null counts as empty, cut to 259 characters).
void JoinParameters(const wchar_t* prefix, const wchar_t* text, ParameterBuffer& out);

}  // namespace cc

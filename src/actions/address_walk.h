// Text work on window addresses, free of the platform: going up a folder or a page
// level, and the parameters and folder of the programs the actions start. The walks work
// in a fixed buffer and cut, never overrun; what is handed to a new program is passed
// whole or not at all.
#pragma once

#include <cstddef>
#include <memory>

namespace cc {

// The up-folder and up-level walks work in buffers of the platform's path size: at most
// 259 characters.
inline constexpr std::size_t kAddressUnits = 260;
using AddressBuffer = wchar_t[kAddressUnits];

// Copies `address` (null counts as empty), cut to 259 characters, for the walks. Returns
// the length.
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

// The folder a command prompt opens in, for a folder address: the rest after "file:///",
// "/" turned into "\" and "%20" into a space (no other escape is decoded). False (and
// `out` empty) unless the address starts with "file:///", names a folder, and the folder
// fits a working folder whole: at most 258 characters, so the "\" the system may add
// still fits its path size. The folder is passed as the new program's working folder,
// never inside a command line, so no character of its name is parsed.
inline constexpr std::size_t kWorkingFolderChars = kAddressUnits - 2;
bool CommandPromptFolder(const wchar_t* address, AddressBuffer& out);

// A new program's command line holds at most 32,767 units with its terminator.
inline constexpr std::size_t kCommandLineUnits = 32767;

// The parameters a new program gets: `prefix` followed directly by `text`, both whole.
class ProgramParameters {
public:
    // Joins `prefix` and `text` (null counts as empty). False, with text() null, when the
    // command line of `program` (its quoted name, a space, the parameters and the
    // terminator) would exceed kCommandLineUnits, or no memory could be had: an address
    // is passed whole or not at all, never cut.
    bool Join(const wchar_t* program, const wchar_t* prefix, const wchar_t* text);
    const wchar_t* text() const { return text_.get(); }

private:
    std::unique_ptr<wchar_t[]> text_;
};

}  // namespace cc

// Files and folders of the tests: paths, whole-file reads and writes, temporary folders that
// clean up after themselves, and a byte-exact rendering of file contents for failure messages.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace e2e {

// Folder of this test program (the program under test lies beside it), no trailing backslash.
std::string OwnFolder();
std::string JoinPath(const std::string& folder, const std::string& name);
bool FileExists(const std::string& path);
// The whole file as bytes; empty when missing (`exists` says which).
std::string ReadFileBytes(const std::string& path, bool* exists = nullptr);
bool WriteFileBytes(const std::string& path, const std::string& bytes);
bool SetReadOnly(const std::string& path, bool readOnly);

// A fresh folder under the temporary folder, removed with its content on destruction.
class TempFolder {
  public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& Path() const { return path_; }
    bool Ok() const { return !path_.empty(); }

  private:
    std::string path_;
};

// Removes a folder and everything in it (read-only files included). Retries for a moment when a
// file is still in use.
bool RemoveTree(const std::string& path);

// Byte-exact description of a text for failure messages: printable bytes as they are, others
// as \xNN, CR and LF as \r and \n.
std::string Visible(const std::string& bytes);

// The parts of `text` between the separators (one part more than there are separators).
std::vector<std::string> Split(const std::string& text, const std::string& separator);

}  // namespace e2e

// A small journal of the captures that are running: one entry file per capture in a folder
// beside the settings, written when the capture's file is created and removed when it is
// finished. The running capture holds a lock on its entry, so an entry that nobody holds
// names a file whose writer was cut off: the next start repairs it.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace pelta::engine::record {

// Where entries are kept; "" (the default) keeps none.
void SetJournalFolder(const std::string& folder);

class JournalEntry {
public:
    // Records that `file` is being written; nullptr without a journal folder or when the
    // entry cannot be written (the capture goes on without it).
    static std::unique_ptr<JournalEntry> Begin(const std::string& file);
    // Drops the entry (the file was finished, or repaired).
    ~JournalEntry();
    JournalEntry(const JournalEntry&) = delete;
    JournalEntry& operator=(const JournalEntry&) = delete;

    const std::string& File() const { return file_; }

    // The entries no running capture holds (their writers were cut off), each now held by
    // the caller until it is dropped, so two copies starting at once never repair one file.
    static std::vector<std::unique_ptr<JournalEntry>> Abandoned();

private:
    JournalEntry(std::string entry, std::string file, int fd);
    std::string entry_;
    std::string file_;
    int fd_ = -1;
};

}  // namespace pelta::engine::record

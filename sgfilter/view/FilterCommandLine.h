// The `sgfilter filter` command that computes what the view shows, as words to run and as the
// text a person copies into a shell.
#pragma once

#include <string>
#include <vector>

namespace sgf {

struct FilterCommandLine {
    std::vector<std::string> head;                 // "filter", the recording, the output and options
    std::vector<std::vector<std::string>> stages;  // each stage's options, in filter's order

    // The program's arguments: the head, then the stages with --then between them.
    std::vector<std::string> words() const;
    // "sgfilter" and the words shell-quoted, each stage on a line of its own after a backslash.
    std::string text() const;
};

// The word as a POSIX shell reads it back: as it is where that is safe, else in single quotes.
std::string shellWord(const std::string& word);

}  // namespace sgf

#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include <QString>

namespace fw {

// What the user answers when a file name has no number to sort it by.
enum class UnsortableAnswer { Abort, Ignore, All };

// Asked with the message "File name "NAME" cannot be numerically sorted."; the windows show a
// box, the command-line tool prints the question and answers Ignore.
using UnsortableQuestion = std::function<UnsortableAnswer(const QString& message)>;

// How the number in a file name becomes its sort key.
struct SequenceNumbering {
    // Frame files of imagers count on past 99999 and wrap in their names: 123456 reads 23456.
    bool modulo_100000 = true;
};

// The files of one numbered sequence: every file of a folder with one extension, in the order
// of the number in its name.
struct NumberedSequence {
    QString folder; // ends with "/"
    QString extension; // with its dot, as the given file has it; matched without regard to case
    // File names (no folder) in frame order.
    std::vector<QString> names;
    // The smallest number seen; frame numbers run from here, one per file.
    int32_t lowest_number = 10000000;
    // Position in `names` of the file numbered 0, when there is one.
    std::optional<int32_t> zero_position;

    int32_t Count() const { return int32_t(names.size()); }
    int32_t HighestNumber() const { return lowest_number + Count() - 1; }
    QString PathOf(int32_t position) const;
};

// The number in a file's base name: its digits and '-' signs, in order, read as one integer.
// Nothing when they do not make an integer ("", "-", "7-2", or too large).
std::optional<int64_t> NumberInName(const QString& base_name);

// Lists the sequence `any_file` belongs to. Names without a number are asked about: Ignore keeps
// the file first in the order (with the number 0 as its key); All does so for the rest of the
// listing without asking again; Abort throws fw::Error("Preview Canceled"). Throws fw::Error
// when the folder cannot be read.
NumberedSequence ListNumberedSequence(
    const QString& any_file, const SequenceNumbering& numbering, const UnsortableQuestion& ask);

} // namespace fw

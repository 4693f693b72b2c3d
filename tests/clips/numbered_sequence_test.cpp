#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include "clips/numbered_sequence.h"
#include "support/fw_error.h"

using fw::ListNumberedSequence;
using fw::NumberedSequence;
using fw::NumberInName;
using fw::SequenceNumbering;
using fw::UnsortableAnswer;

namespace {

class NumberedSequenceTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }

    QString make(const QStringList& names)
    {
        for (const QString& name : names) {
            QFile file(dir_.filePath(name));
            EXPECT_TRUE(file.open(QIODevice::WriteOnly)) << name.toStdString();
        }
        return dir_.filePath(names.constFirst());
    }

    // Lists the sequence, answering every question with `answer` and noting the questions.
    NumberedSequence list(const QString& any_file, bool modulo = true,
        UnsortableAnswer answer = UnsortableAnswer::Ignore)
    {
        return ListNumberedSequence(any_file, SequenceNumbering { modulo }, [this, answer](const QString& q) {
            questions_ << q;
            return answer;
        });
    }

    static QStringList names(const NumberedSequence& sequence)
    {
        QStringList out;
        for (const QString& name : sequence.names)
            out << name;
        return out;
    }

    QTemporaryDir dir_;
    QStringList questions_;
};

TEST_F(NumberedSequenceTest, FilesComeInTheOrderOfTheirNumbers)
{
    const NumberedSequence sequence = list(make({ "shot7.tif", "shot10.tif", "shot8.tif", "shot8.avi", "readme" }));
    EXPECT_EQ(names(sequence), QStringList({ "shot7.tif", "shot8.tif", "shot10.tif" }));
    EXPECT_EQ(sequence.lowest_number, 7);
    EXPECT_EQ(sequence.HighestNumber(), 9);
    EXPECT_EQ(sequence.PathOf(2), dir_.filePath("shot10.tif"));
    EXPECT_EQ(sequence.extension, ".tif");
    EXPECT_FALSE(sequence.zero_position.has_value());
    EXPECT_TRUE(questions_.isEmpty());
}

TEST_F(NumberedSequenceTest, TheExtensionMatchesInEitherCase)
{
    const NumberedSequence sequence = list(make({ "a2.TIF", "a1.tif", "a3.Tif" }));
    EXPECT_EQ(names(sequence), QStringList({ "a1.tif", "a2.TIF", "a3.Tif" }));
}

TEST_F(NumberedSequenceTest, NumbersWrapAtAHundredThousandUnlessToldOtherwise)
{
    const QString first = make({ "f123456.tif", "f23457.tif" });
    EXPECT_EQ(list(first).lowest_number, 23456);
    EXPECT_EQ(list(first, false).lowest_number, 23457);
    EXPECT_EQ(names(list(first, false)), QStringList({ "f23457.tif", "f123456.tif" }));
}

TEST_F(NumberedSequenceTest, NegativeNumbersAndTheZeroFile)
{
    const NumberedSequence sequence = list(make({ "F00010.bay", "F00002.bay", "F-0001.bay", "F00000.bay" }), false);
    EXPECT_EQ(names(sequence), QStringList({ "F-0001.bay", "F00000.bay", "F00002.bay", "F00010.bay" }));
    EXPECT_EQ(sequence.lowest_number, -1);
    ASSERT_TRUE(sequence.zero_position.has_value());
    EXPECT_EQ(*sequence.zero_position, 1);
}

TEST_F(NumberedSequenceTest, EqualNumbersSortByName)
{
    const NumberedSequence sequence = list(make({ "b5.tif", "a5.tif", "c4.tif" }));
    EXPECT_EQ(names(sequence), QStringList({ "c4.tif", "a5.tif", "b5.tif" }));
}

TEST_F(NumberedSequenceTest, NamesWithoutANumberAreAskedAbout)
{
    const QString first = make({ "shot7.tif", "notes.tif", "shot8.tif", "extra.tif" });

    const NumberedSequence ignored = list(first, true, UnsortableAnswer::Ignore);
    EXPECT_EQ(questions_.size(), 2);
    EXPECT_TRUE(questions_.contains("File name \"notes\" cannot be numerically sorted."));
    EXPECT_EQ(names(ignored), QStringList({ "extra.tif", "notes.tif", "shot7.tif", "shot8.tif" }));
    EXPECT_EQ(ignored.lowest_number, 7);

    questions_.clear();
    const NumberedSequence all = list(first, true, UnsortableAnswer::All);
    EXPECT_EQ(questions_.size(), 1) << "All answers for the rest of the listing";
    EXPECT_EQ(all.Count(), 4);

    questions_.clear();
    try {
        list(first, true, UnsortableAnswer::Abort);
        ADD_FAILURE() << "listed";
    } catch (const fw::Error& e) {
        EXPECT_STREQ(e.what(), "Preview Canceled");
    }
    EXPECT_EQ(questions_.size(), 1);
}

TEST_F(NumberedSequenceTest, AFolderThatCannotBeReadSaysSo)
{
    try {
        list(dir_.filePath("gone/shot1.tif"));
        ADD_FAILURE() << "listed";
    } catch (const fw::Error& e) {
        EXPECT_NE(QString::fromStdString(e.what()).indexOf("cannot be read"), -1) << e.what();
    }
}

TEST(NumberInName, DigitsAndMinusSignsReadAsOneInteger)
{
    EXPECT_EQ(NumberInName("shot10"), 10);
    EXPECT_EQ(NumberInName("F-0001"), -1);
    EXPECT_EQ(NumberInName("a1b2c3"), 123);
    EXPECT_EQ(NumberInName("run-2"), -2);
    EXPECT_EQ(NumberInName("notes"), std::nullopt);
    EXPECT_EQ(NumberInName("-"), std::nullopt);
    EXPECT_EQ(NumberInName("shot-7-2"), std::nullopt);
    EXPECT_EQ(NumberInName("7-"), std::nullopt);
    EXPECT_EQ(NumberInName("99999999999"), std::nullopt);
}

} // namespace

#pragma once

// The bundled samples, made once per test program run by fw-make-samples into a folder of the
// test's own.

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "cli_runner.h"

namespace fw::e2e {

class SamplesTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir_ = new QTemporaryDir;
        generation_ = new RunResult(runProgram(binPath("fw-make-samples"), { dir_->path() }));
    }
    static void TearDownTestSuite()
    {
        delete generation_;
        delete dir_;
    }
    void SetUp() override { ASSERT_EQ(generation_->exit_code, 0) << generation_->err.toStdString(); }
    static QString samplePath(const char* file) { return dir_->filePath(QString::fromUtf8(file)); }

    static inline QTemporaryDir* dir_ = nullptr;
    static inline RunResult* generation_ = nullptr;
};

} // namespace fw::e2e

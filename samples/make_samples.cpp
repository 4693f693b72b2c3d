// fw-make-samples OUTDIR: writes the bundled sample clips, each with its descriptor block, the
// signal files recorded beside them, the true positions of the tracking marker and the samples
// recorded as folders of frame files.
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <string>

#include <QCoreApplication>
#include <QString>

#include "clips/avi_stream.h"
#include "clips/descriptor_block.h"
#include "sample_clips.h"
#include "sample_sequences.h"
#include "sample_signals.h"
#include "support/fw_error.h"
#include "tracking_marker.h"

namespace {

namespace fs = std::filesystem;

void encode(const fw::samples::SampleClip& clip, const fs::path& path)
{
    fw::samples::ClipEncoder encoder(path.string(), clip.format);
    for (int index = 0; index < clip.frame_count; ++index)
        encoder.write(clip.paint(index));
    encoder.finish();
}

// The block goes in through the clip stream, the way the program stamps a clip it saved.
void stampDescriptor(const std::string& block, const fs::path& path)
{
    fw::TAVISTREAM stream(QStringLiteral("AVI"));
    stream.Open(QString::fromStdString(path.string()));
    const bool open = stream.IsOpen();
    stream.Close();
    if (!open)
        throw fw::Error("the written clip has no video stream");
    const auto chunk = fw::DescriptorChunkBytes(block);
    if (!stream.WriteData(fw::kDescriptorChunkId, chunk.data(), fw::kDescriptorChunkSize))
        throw fw::Error("the descriptor block could not be written");
}

// Written under a temporary name and renamed at the end, so a failure never leaves half a clip
// under the sample's name.
void makeSample(const fw::samples::SampleClip& clip, const fs::path& directory)
{
    const fs::path target = directory / clip.file_name;
    const fs::path part = directory / ("." + clip.file_name + ".part");
    try {
        encode(clip, part);
        stampDescriptor(clip.descriptor, part);
        fs::rename(part, target);
    } catch (...) {
        std::error_code ignored;
        fs::remove(part, ignored);
        throw;
    }
}

// Text files (signals, true positions) go the same way: a partial file never carries the
// sample's name.
void makeTextFile(const std::string& file_name, const std::string& text, const fs::path& directory)
{
    const fs::path target = directory / file_name;
    const fs::path part = directory / ("." + file_name + ".part");
    {
        std::ofstream out(part, std::ios::binary | std::ios::trunc);
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        out.close();
        if (!out) {
            std::error_code ignored;
            fs::remove(part, ignored);
            throw fw::Error("cannot write " + target.string());
        }
    }
    fs::rename(part, target);
}

// A frame-file sample is written into a hidden folder that takes the sample's name when complete,
// replacing an earlier one.
void makeSequence(const fw::samples::SampleSequence& sequence, const fs::path& directory)
{
    const fs::path target = directory / sequence.folder_name;
    const fs::path part = directory / ("." + sequence.folder_name + ".part");
    try {
        fs::remove_all(part);
        fs::create_directory(part);
        for (int index = 0; index < sequence.frame_count; ++index)
            sequence.write(index, part);
        fs::remove_all(target);
        fs::rename(part, target);
    } catch (...) {
        std::error_code ignored;
        fs::remove_all(part, ignored);
        throw;
    }
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "Usage: fw-make-samples OUTDIR\n");
        return 2;
    }
    const fs::path directory = argv[1];
    try {
        fs::create_directories(directory);
        for (const auto& clip : fw::samples::sampleClips())
            makeSample(clip, directory);
        for (const auto& signal : fw::samples::sampleSignals())
            makeTextFile(signal.file_name, signal.text, directory);
        makeTextFile("Tracking Marker.csv", fw::samples::tracking_marker::TruthCsv(), directory);
        for (const auto& sequence : fw::samples::sampleSequences())
            makeSequence(sequence, directory);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "fw-make-samples: %s\n", error.what());
        return 1;
    }
    return 0;
}

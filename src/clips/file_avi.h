#pragma once

#include <memory>

#include <QString>

#include "clips/base_avi.h"
#include "clips/numbered_sequence.h"

namespace fw {

// A numbered sequence of frame files in one folder read as one clip: source number n is the
// file at position n - lowest number. The reader of the file type comes from the subclass.
class TFileAVI : public TBaseAVI {
public:
    ~TFileAVI() override;

    // Lists the sequence of `file_name` and reads its first file to fix the picture facts.
    // Unsortable names are asked about (Abort, Ignore, All); Abort throws "Preview Canceled".
    // Throws fw::Error with the reason when the first file cannot be read.
    void Open(const QString& file_name) override;
    void Close() override;

    QString Pattern() const override;
    QString FrameFileName(int32_t number) const override;
    const NumberedSequence& Sequence() const { return sequence_; }

protected:
    explicit TFileAVI(QString options_section);

    // A reader of this file type for the file at `path`; LoadFrame reads it.
    virtual std::unique_ptr<TImageFiler> MakeReader(const QString& path) const = 0;
    virtual void SetReaderFile(TImageFiler& reader, const QString& path) const = 0;
    // Called once the first file is loaded, before the clip counts as open.
    virtual void FirstFileLoaded(TImageFiler& reader);

    void LoadSourceFrame(int32_t number) override;
    TImageFiler& Filer() override;

private:
    static int BitsPerPixelOf(TImageFiler& reader);

    NumberedSequence sequence_;
    std::unique_ptr<TImageFiler> reader_;
};

} // namespace fw

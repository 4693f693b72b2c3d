#pragma once

#include <memory>

#include <QString>

#include "clips/base_avi.h"

namespace fw {

// An open clip re-processed into a new one: clip frame k reads the source's frame
// k x interval + first number. The saved clip keeps the source's descriptor block with its
// timing moved onto the saved frames.
class TAVIFAVI : public TBaseAVI {
public:
    TAVIFAVI();
    ~TAVIFAVI() override;

    // Throws fw::Error(short name + " Open Frame Access Failed") when the clip cannot be read.
    void Open(const QString& file_name) override;
    void Close() override;
    QString TypeName() const override { return QStringLiteral("Video"); }

protected:
    void LoadSourceFrame(int32_t number) override;
    TImageFiler& Filer() override;

private:
    std::unique_ptr<TAVIFile> reader_;
};

} // namespace fw

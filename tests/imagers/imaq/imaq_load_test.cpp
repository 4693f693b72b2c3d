#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <string>

#include "imagers/imaq/imaq.h"

namespace fw {
namespace {

constexpr const char* kMissingLibrary = "/nonexistent/libimaq-missing.so";

bool LibraryMapped(const char* path)
{
    void* handle = dlopen(path, RTLD_NOW | RTLD_NOLOAD);
    if (handle != nullptr) {
        dlclose(handle);
    }
    return handle != nullptr;
}

// How many entry points of the stand-in library have been called, in this process.
int FakeCalls(const char* path)
{
    void* handle = dlopen(path, RTLD_NOW | RTLD_NOLOAD);
    if (handle == nullptr) {
        return -1;
    }
    const int calls = *static_cast<int*>(dlsym(handle, "fake_imaq_calls"));
    dlclose(handle);
    return calls;
}

TEST(ImaqLoad, CountedLoadsKeepTheLibraryUntilTheLastUnload)
{
    TIMAQ imaq(nullptr, FW_FAKE_IMAQ);
    ASSERT_TRUE(imaq.Load());
    ASSERT_TRUE(imaq.Load());
    EXPECT_EQ(imaq.LoadCount(), 2);

    imaq.Unload();
    EXPECT_TRUE(imaq.IsLoaded());
    EXPECT_TRUE(LibraryMapped(FW_FAKE_IMAQ));

    imaq.Unload();
    EXPECT_FALSE(imaq.IsLoaded());
    EXPECT_FALSE(LibraryMapped(FW_FAKE_IMAQ));

    // An Unload without its Load must not free a later one.
    imaq.Unload();
    ASSERT_TRUE(imaq.Load());
    ASSERT_TRUE(imaq.Load());
    imaq.Unload();
    EXPECT_TRUE(imaq.IsLoaded());
    EXPECT_EQ(imaq.LoadCount(), 1);
}

TEST(ImaqLoad, DestructionFreesALibraryStillLoaded)
{
    {
        TIMAQ imaq(nullptr, FW_FAKE_IMAQ);
        ASSERT_TRUE(imaq.Load());
        ASSERT_TRUE(LibraryMapped(FW_FAKE_IMAQ));
    }
    EXPECT_FALSE(LibraryMapped(FW_FAKE_IMAQ));
}

TEST(ImaqLoad, AMissingLibraryIsReportedWithTheLibraryTriedAndTheLoadersText)
{
    ASSERT_EQ(dlopen(kMissingLibrary, RTLD_NOW), nullptr);
    const QString loader_text = QString::fromLocal8Bit(dlerror());
    ASSERT_FALSE(loader_text.isEmpty());

    TIMAQ imaq(nullptr, kMissingLibrary);
    EXPECT_FALSE(imaq.Load());
    EXPECT_EQ(imaq.LoadCount(), 0);
    EXPECT_FALSE(imaq.IsLoaded());
    EXPECT_EQ(imaq.LastError(), TIMAQ::kLibraryNotLoaded);
    EXPECT_EQ(imaq.ErrorText(TIMAQ::kLibraryNotLoaded),
        QStringLiteral("Load of /nonexistent/libimaq-missing.so failed: ") + loader_text);
}

TEST(ImaqLoad, WithoutALibraryEveryOperationFailsWithoutCallingAnything)
{
    TIMAQ imaq(nullptr, kMissingLibrary);
    uint32_t id = 77;
    uint32_t value = 77;
    void* buffer = nullptr;
    QString text = QStringLiteral("untouched");
    EXPECT_EQ(imaq.imgInterfaceOpen(QStringLiteral("img0"), &id), TIMAQ::kLibraryNotLoaded);
    EXPECT_EQ(imaq.imgInterfaceReset(1), TIMAQ::kLibraryNotLoaded);
    EXPECT_EQ(imaq.imgSessionOpen(1, &id), TIMAQ::kLibraryNotLoaded);
    EXPECT_EQ(imaq.imgGetAttribute(1, kImgAttrWidth, &value), TIMAQ::kLibraryNotLoaded);
    EXPECT_EQ(imaq.imgSetAttribute(1, kImgAttrWidth, 1), TIMAQ::kLibraryNotLoaded);
    EXPECT_EQ(imaq.imgCreateBuffer(1, 0, 16, &buffer), TIMAQ::kLibraryNotLoaded);
    EXPECT_EQ(imaq.imgRingSetup(1, 1, &buffer, 0, 1), TIMAQ::kLibraryNotLoaded);
    EXPECT_EQ(imaq.imgSessionExamineBuffer(1, 0, &value, &buffer), TIMAQ::kLibraryNotLoaded);
    EXPECT_EQ(imaq.imgSessionReleaseBuffer(1), TIMAQ::kLibraryNotLoaded);
    EXPECT_EQ(imaq.imgSessionStatus(1, &value, &value), TIMAQ::kLibraryNotLoaded);
    EXPECT_EQ(imaq.imgSessionStopAcquisition(1), TIMAQ::kLibraryNotLoaded);
    EXPECT_EQ(imaq.imgSessionGetLostFramesList(1, &value, 1), TIMAQ::kLibraryNotLoaded);
    EXPECT_EQ(imaq.imgDisposeBuffer(buffer), TIMAQ::kLibraryNotLoaded);
    EXPECT_EQ(imaq.imgClose(1, 0), TIMAQ::kLibraryNotLoaded);
    EXPECT_EQ(imaq.imgShowError(-1, text), TIMAQ::kLibraryNotLoaded);
    EXPECT_EQ(id, 77u);
    EXPECT_EQ(value, 77u);
    EXPECT_EQ(buffer, nullptr);
    EXPECT_TRUE(text.isEmpty());

    EXPECT_EQ(imaq.LastError(), TIMAQ::kLibraryNotLoaded);
    EXPECT_TRUE(imaq.InterfaceNames().isEmpty());
    EXPECT_EQ(imaq.ErrorText(TIMAQ::kLibraryNotLoaded),
        QStringLiteral("Load of /nonexistent/libimaq-missing.so failed"));
    EXPECT_EQ(imaq.ErrorText(static_cast<int32_t>(0xBFF60023)),
        QStringLiteral("imgShowError not found in /nonexistent/libimaq-missing.so"));
}

TEST(ImaqLoad, AMissingEntryPointFailsItsOperationOnlyAndIsNamed)
{
    TIMAQ imaq(nullptr, FW_FAKE_IMAQ_PARTIAL);
    ASSERT_TRUE(imaq.Load());
    const int calls_before = FakeCalls(FW_FAKE_IMAQ_PARTIAL);

    uint32_t acquiring = 9;
    uint32_t buffer_number = 9;
    EXPECT_EQ(imaq.imgSessionStatus(1, &acquiring, &buffer_number), TIMAQ::kEntryPointNotFound);
    EXPECT_EQ(acquiring, 9u);
    EXPECT_EQ(buffer_number, 9u);
    EXPECT_EQ(FakeCalls(FW_FAKE_IMAQ_PARTIAL), calls_before);
    EXPECT_EQ(imaq.LastError(), TIMAQ::kEntryPointNotFound);
    EXPECT_EQ(imaq.MissingEntryPoint(), QStringLiteral("imgSessionStatus"));
    EXPECT_EQ(imaq.ErrorText(TIMAQ::kEntryPointNotFound),
        QStringLiteral("Function imgSessionStatus not found in ") + FW_FAKE_IMAQ_PARTIAL);

    uint32_t interface_id = 0;
    EXPECT_EQ(imaq.imgInterfaceOpen(QStringLiteral("img12"), &interface_id), 0);
    EXPECT_EQ(interface_id, 5u);
    EXPECT_EQ(imaq.LastError(), 0);

    // Without imgShowError no code of the library can be put in words.
    EXPECT_EQ(imaq.ErrorText(static_cast<int32_t>(0xBFF60023)),
        QStringLiteral("imgShowError not found in ") + FW_FAKE_IMAQ_PARTIAL);
}

TEST(ImaqLoad, EntryPointsAreLookedUpOnceAndForgottenWithTheLibrary)
{
    TIMAQ imaq(nullptr, FW_FAKE_IMAQ);
    std::map<std::string, int> lookups;
    imaq.SetSymbolLookup([&lookups](void* handle, const char* name) {
        ++lookups[name];
        return dlsym(handle, name);
    });
    ASSERT_TRUE(imaq.Load());
    uint32_t id = 0;
    imaq.imgInterfaceOpen(QStringLiteral("a"), &id);
    imaq.imgInterfaceOpen(QStringLiteral("b"), &id);
    EXPECT_EQ(lookups["imgInterfaceOpen"], 1);
    EXPECT_EQ(lookups.size(), 1u);

    // The cached address points into the mapping; using it after the library is gone would crash.
    imaq.Unload();
    ASSERT_FALSE(LibraryMapped(FW_FAKE_IMAQ));
    EXPECT_EQ(imaq.imgInterfaceOpen(QStringLiteral("c"), &id), TIMAQ::kLibraryNotLoaded);
    ASSERT_TRUE(imaq.Load());
    EXPECT_EQ(imaq.imgInterfaceOpen(QStringLiteral("abcd"), &id), 0);
    EXPECT_EQ(id, 4u);
    EXPECT_EQ(lookups["imgInterfaceOpen"], 2);
}

TEST(ImaqLoad, ALibraryThatOverrunsItsTextsOrNeverEndsItsNamesCannotHurtTheProgram)
{
    TIMAQ imaq(nullptr, FW_FAKE_IMAQ);
    ASSERT_TRUE(imaq.Load());
    QString text;
    EXPECT_EQ(imaq.imgShowError(-5, text), 0);
    EXPECT_EQ(text, QString(255, QLatin1Char('E')));
    EXPECT_EQ(imaq.ErrorText(-5), QString(255, QLatin1Char('E')));

    const QStringList names = imaq.InterfaceNames();
    ASSERT_EQ(names.size(), static_cast<qsizetype>(TIMAQ::kMaxInterfaces));
    EXPECT_EQ(names.front(), QStringLiteral("fake0"));
    EXPECT_EQ(names.back(), QStringLiteral("fake255"));
}

TEST(ImaqLoad, TheLibraryNameComesFromTheEnvironmentElseTheGenICamLibrary)
{
    ASSERT_EQ(setenv("FRAMEWRIGHT_IMAQ_LIBRARY", "/opt/grabber/libgrab.so", 1), 0);
    EXPECT_EQ(ImaqLibraryName(), QStringLiteral("/opt/grabber/libgrab.so"));
    EXPECT_EQ(TIMAQ().LibraryName(), QStringLiteral("/opt/grabber/libgrab.so"));
    ASSERT_EQ(setenv("FRAMEWRIGHT_IMAQ_LIBRARY", "", 1), 0);
    EXPECT_EQ(ImaqLibraryName(), QStringLiteral("libfw-imaq-genicam.so"));
    ASSERT_EQ(unsetenv("FRAMEWRIGHT_IMAQ_LIBRARY"), 0);
    EXPECT_EQ(ImaqLibraryName(), QStringLiteral("libfw-imaq-genicam.so"));
}

} // namespace
} // namespace fw

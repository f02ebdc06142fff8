// Valider when the hive cannot be written: the dialog says why and stays open with the
// user's choices, the old hive stays as it was, and a later Valider saves them.

#include "valider_variants.h"

#include "settings/app_state.h"
#include "settings/settings.h"

#include "platform/host_config.h"

#include "support/small_tmpfs.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <sys/stat.h>

using testing_support::Lines;
using testing_support::ReadFile;
using testing_support::ScratchHost;
using testing_support::SmallTmpfs;
using testing_support::WriteFile;

namespace {

class DialogSaveFaults : public ::testing::Test {
protected:
    DialogSaveFaults()
    {
        platform::host().messageBoxLog = host.dir().file("boxes.log");
        platform::host().messageBoxAnswer = "no";
        std::filesystem::create_directories(host.dir().path() + "/inst");
        WriteFile(host.hklm(), kHeader + "[HKEY_LOCAL_MACHINE\\Software\\Kestrune\\lumivane]\r\n\"CheminInstall\"=\"" +
                                   host.dir().path() + "/inst/\"\r\n\"ConfigValidated\"=dword:00000001\r\n");
    }
    ~DialogSaveFaults() override
    {
        form.reset();
    }

    // The user hive at `file`, holding the first set of choices, and the dialog opened on it.
    void open(const std::string& file)
    {
        platform::host().currentUserHive = file;
        WriteFile(file, kHeader + "[HKEY_CURRENT_USER\\Software\\Kestrune\\lumivane]\r\n"
                                  "\"Afficher Dlg Lettre info\"=dword:00000001\r\n\"Vitesse\"=dword:00000002\r\n");
        old = ReadFile(file);
        settings = std::make_unique<TSettings>(TSettings::DefaultsOnly{});
        settings->ReadRegistry();
        form = std::make_unique<TFConfig>(*settings);
        form->show();
        kValiderVariants[1].applyTo(*form);
    }
    std::string lastBox() const
    {
        const auto boxes = Lines(ReadFile(host.dir().file("boxes.log")));
        return boxes.empty() ? std::string() : boxes.back();
    }
    bool savedTheChoices() const
    {
        TSettings s{TSettings::DefaultsOnly{}};
        s.ReadRegistry();
        return kValiderVariants[1].matches(s);
    }

    static inline const std::string kHeader = "Windows Registry Editor Version 5.00\r\n\r\n";
    ScratchHost host;
    std::string old;
    std::unique_ptr<TSettings> settings;
    std::unique_ptr<TFConfig> form;
};

}  // namespace

TEST_F(DialogSaveFaults, FullDiskIsReportedAndTheOldHiveKept)
{
    SmallTmpfs disk(64 * 1024);
    if (!disk.skipReason().empty())
        GTEST_SKIP() << disk.skipReason();
    open(disk.file("HKCU.reg"));
    ASSERT_TRUE(disk.Fill());

    form->BtOkClick();
    EXPECT_TRUE(form->isVisible());
    EXPECT_NE(lastBox().find(std::strerror(ENOSPC)), std::string::npos) << lastBox();
    EXPECT_EQ(ReadFile(disk.file("HKCU.reg")), old);

    disk.Free();
    form->BtOkClick();
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(savedTheChoices());
}

TEST_F(DialogSaveFaults, ReadOnlyHiveIsReportedAndNothingLost)
{
    open(host.hkcu());
    ::chmod(host.hkcu().c_str(), 0444);

    form->BtOkClick();
    EXPECT_TRUE(form->isVisible());
    EXPECT_NE(lastBox().find("read-only"), std::string::npos) << lastBox();
    EXPECT_EQ(ReadFile(host.hkcu()), old);

    ::chmod(host.hkcu().c_str(), 0644);
    form->BtOkClick();
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(savedTheChoices());
}

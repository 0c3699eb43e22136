#include "platform/UiProvider.h"

#include <gtest/gtest.h>

namespace {

TEST(UiProvider, DefaultNeverBlocksHeadless)
{
    ASSERT_TRUE(QtUiProvider::IsHeadless());
    UiProvider &ui = vdUiProvider();
    EXPECT_EQ(ui.MessageBox("t", "c", MB_YESNOCANCEL | MB_ICONQUESTION), IDYES);
    EXPECT_EQ(ui.MessageDlg("t", TvdMsgDlgType::Error, mbOK), mrOk);
    QString v = "keep";
    EXPECT_FALSE(ui.InputQuery("c", "p", v));
    EXPECT_EQ(v, "keep");
    EXPECT_TRUE(ui.OpenFileName("c", "", "*.vd3").isEmpty());
}

TEST(UiProvider, InstalledProviderRecordsAndAnswers)
{
    HeadlessUiProvider fake;
    {
        TvdScopedUiProvider scope(&fake);
        fake.QueueAnswer(IDNO);
        fake.QueueText("secret");
        EXPECT_EQ(vdUiProvider().MessageBox("Save?", "Confirm", MB_YESNO), IDNO);
        EXPECT_EQ(vdUiProvider().MessageBox("Again?", "Confirm", MB_RETRYCANCEL), IDRETRY);
        QString pw;
        EXPECT_TRUE(vdUiProvider().PasswordQuery("Password", "Enter", pw));
        EXPECT_EQ(pw, "secret");
        EXPECT_EQ(vdUiProvider().MessageDlg("x", TvdMsgDlgType::Confirmation, mbNo | mbCancel), mrNo);
    }
    EXPECT_NE(&vdUiProvider(), &fake);
    ASSERT_EQ(fake.Prompts().size(), 4);
    EXPECT_EQ(fake.Prompts()[0].caption, "Confirm");
    EXPECT_EQ(fake.Prompts()[0].text, "Save?");
    EXPECT_EQ(fake.Prompts()[2].kind, "PasswordQuery");
}

} // namespace

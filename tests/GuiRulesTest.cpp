// The rules of the window and its controls that both front ends share: the same tables run
// on the Linux build and, under Wine, on the Windows one.
#include "ApplicationRules.h"
#include "TsButtonState.h"
#include "TsCommonData.h"
#include "TsSkinManager.h"
#include "TsVersion.h"
#include "migration/IniFiles.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

namespace {

std::string utf8Of(std::u16string_view text) {
    std::string out;
    for (const char16_t c : text)
        out += c < 0x80 ? static_cast<char>(c) : '?';
    return out;
}

// ---- The application's texts ----

TEST(ApplicationTitle, FileNameBeforeItsFirstFullStopWithOnlyTheFirstCharacterKept) {
    struct Case {
        std::u16string_view exeName, delimiters, title;
    };
    const Case cases[] = {
        {u"C:\\Sistema\\MIGRADOR.EXE", u"\\:", u"Migrador"},
        {u"C:\\Sistema\\Base.Tool.exe", u"\\:", u"Base"},
        {u"C:migrador.exe", u"\\:", u"migrador"},
        {u"C:\\Sistema.v2\\ATUALIZAÇÃO.exe", u"\\:", u"Atualização"},
        {u"C:\\Sistema\\aTUALIZA", u"\\:", u"atualiza"},
        {u"C:\\Sistema\\ÁRVORE ÑÇÕ ŁĄ ΩΣ ЖЁ.exe", u"\\:", u"Árvore ñçõ łą ωσ жё"},
        {u"C:\\Sistema\\.exe", u"\\:", u""},
        {u"\\\\servidor\\share\\Tool.exe", u"\\:", u"Tool"},
        {u"/opt/suite.d/MIGRADOR", u"/", u"Migrador"},
        {u"/opt/suite/migrador.bin", u"/", u"migrador"},
        // A backslash names no folder on POSIX.
        {u"/opt/dir\\SUB\\Tool.x", u"/", u"dir\\sub\\tool"},
        {u"", u"/", u""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(utf8Of(c.exeName));
        EXPECT_EQ(ApplicationTitle(c.exeName, c.delimiters), c.title);
    }
}

TEST(ErrorBoxText, FullStopWhenTheLastCharacterLiesAboveIt) {
    struct Case {
        std::u16string_view message, shown;
    };
    const Case cases[] = {
        {u"Unable to write to C:\\Sistema\\Talbrix/Quorvane.ini",
         u"Unable to write to C:\\Sistema\\Talbrix/Quorvane.ini."},
        {u"Falhou", u"Falhou."},
        {u"Feito.", u"Feito."},
        {u"Atenção!", u"Atenção!"},
        {u"Erro 42", u"Erro 42."},
        {u"fim/", u"fim/."},
        {u"fim-", u"fim-"},
        {u"fim ", u"fim "},
        {u"fim,", u"fim,"},
        {u"Ação", u"Ação."},
        {u"", u""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(utf8Of(c.message));
        EXPECT_EQ(ErrorBoxText(c.message), c.shown);
    }
}

TEST(MessageBoxText, EachCarriageReturnBeginsALine) {
    struct Case {
        std::u16string_view text, withLf, withCrLf;
    };
    const Case cases[] = {
        {u"ATENÇÃO! \r\rNão foi possivel\r\r Feche", u"ATENÇÃO! \n\nNão foi possivel\n\n Feche",
         u"ATENÇÃO! \r\n\r\nNão foi possivel\r\n\r\n Feche"},
        {u"um\r\ndois", u"um\ndois", u"um\r\ndois"},
        {u"um\r\r\ndois\r", u"um\n\ndois\n", u"um\r\n\r\ndois\r\n"},
        {u"\r", u"\n", u"\r\n"},
        {u"sem quebra", u"sem quebra", u"sem quebra"},
        {u"", u"", u""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(utf8Of(c.text));
        EXPECT_EQ(MessageBoxText(c.text, u"\n"), c.withLf);
        EXPECT_EQ(MessageBoxText(c.text, u"\r\n"), c.withCrLf);
    }
}

TEST(CaughtErrorMessage, OursAndTheStandardOnes) {
    const auto messageOf = [](const std::function<void()>& raise) {
        try {
            raise();
        } catch (...) {
            return CaughtErrorMessage();
        }
        return std::u16string(u"nothing raised");
    };
    EXPECT_EQ(messageOf([] { throw EIniFileException(u"Unable to write to C:\\Á/b.ini"); }),
              u"Unable to write to C:\\Á/b.ini");
    EXPECT_EQ(messageOf([] { throw std::runtime_error("Falha de memória"); }), u"Falha de memória");
    EXPECT_EQ(messageOf([] { throw 42; }), u"?");
}

TEST(VersionSwitch, FoundInAnyCaseAmongOtherArguments) {
    struct Case {
        std::vector<std::u16string> arguments;
        bool given;
    };
    const Case cases[] = {
        {{}, false},
        {{u"/vexlonver"}, true},
        {{u"/VEXLONVER"}, true},
        {{u"/VexLonVer"}, true},
        {{u"-x", u"arquivo.ini", u"/vExLoNvEr"}, true},
        {{u"/vexlonver", u"/VEXLONVER"}, true},
        {{u"vexlonver"}, false},
        {{u"/vexlonver "}, false},
        {{u"-vexlonver", u"/vexlon", u"/vexlonverx", u"/véxlonver"}, false},
    };
    for (const auto& c : cases) {
        std::string shown;
        for (const auto& a : c.arguments)
            shown += utf8Of(a) + " ";
        SCOPED_TRACE(shown);
        EXPECT_EQ(HasVersionSwitch(c.arguments), c.given);
    }
    const std::u16string text = LibraryVersionText();
    EXPECT_EQ(text.substr(text.size() - 6), u" v9.10");
}

// ---- The skinned test ----

struct SkinnedCase {
    const char* name;
    bool ownManager; // else the manager is DefaultManager
    bool managerDestroying;
    bool sectionListed;  // the control's section is among the manager's sections
    bool sectionsShrunk; // the manager lost sections after the index was taken
    bool ownerDestroying;
    bool checkActive;
    bool active;
    bool skinned;
};

TEST(Skinned, AllFiveConditionsMustHold) {
    const SkinnedCase cases[] = {
        {"own manager", true, false, true, false, false, false, false, true},
        {"default manager", false, false, true, false, false, false, false, true},
        {"active checked and active", true, false, true, false, false, true, true, true},
        {"manager being destroyed", true, true, true, false, false, false, false, false},
        {"section unknown to the manager", true, false, false, false, false, false, false, false},
        {"index beyond the sections", false, false, true, true, false, false, false, false},
        {"owner being destroyed", true, false, true, false, true, false, false, false},
        {"active checked, not active", false, false, true, false, false, true, false, false},
    };
    const int control = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TsSkinManager manager;
        manager.SkinSections = {u"FORM", u"PANEL", u"BUTTON"};
        manager.Active = c.active;
        if (!c.ownManager)
            manager.SetDefault(true);
        TsCtrlSkinData data(&control, u"BUTTON");
        data.SetSkinSection(c.sectionListed ? u"BUTTON" : u"CHECKBOX");
        if (c.ownManager)
            data.SetSkinManager(&manager);
        if (c.sectionsShrunk)
            manager.SkinSections = {u"FORM"};
        if (c.managerDestroying)
            manager.BeginDestroy();
        if (c.ownerDestroying)
            data.BeginOwnerDestroy();
        EXPECT_EQ(data.Skinned(c.checkActive), c.skinned);
    }
    EXPECT_EQ(DefaultManager, nullptr);
}

TEST(Skinned, WithoutAManagerNothingIsSkinnedAndTheSectionDefaults) {
    ASSERT_EQ(DefaultManager, nullptr);
    const int control = 0;
    TsCommonData data(&control, u"GAUGE");
    EXPECT_FALSE(data.Skinned(false));
    EXPECT_FALSE(data.Skinned(true));
    EXPECT_EQ(data.SkinIndex(), -1);
    EXPECT_FALSE(data.FMouseAbove);
    EXPECT_EQ(data.SkinSection(), u"GAUGE");
    data.SetSkinSection(u"SPEEDBUTTON");
    EXPECT_EQ(data.SkinSection(), u"SPEEDBUTTON");
    EXPECT_FALSE(data.Skinned(false)) << "another section changes nothing without a manager";
    data.SetSkinSection(u"");
    EXPECT_EQ(data.SkinSection(), u"GAUGE");
    EXPECT_FALSE(LabelSkinned(nullptr));
}

TEST(Skinned, ManagerRegistersAsDefaultAndWithdrawsWhenDestroyed) {
    const int control = 0;
    TsCtrlSkinData data(&control, u"BUTTON");
    TsManagerRef labelManager;
    {
        auto manager = std::make_unique<TsSkinManager>();
        manager->SkinSections = {u"BUTTON"};
        manager->Active = true;
        EXPECT_EQ(DefaultManager, nullptr);
        manager->SetDefault(true);
        EXPECT_EQ(DefaultManager, manager.get());
        EXPECT_TRUE(manager->IsDefault());
        data.SetSkinManager(manager.get());
        labelManager.reset(manager.get());
        EXPECT_TRUE(data.Skinned(true));
        EXPECT_TRUE(LabelSkinned(labelManager.get()));
        manager.reset();
    }
    EXPECT_EQ(DefaultManager, nullptr);
    // The controls' own references go with the manager; nothing dangles.
    EXPECT_EQ(data.SkinManager(), nullptr);
    EXPECT_EQ(labelManager.get(), nullptr);
    EXPECT_FALSE(data.Skinned(false));
}

TEST(Skinned, LabelAsksForAnActiveManagerInReach) {
    TsSkinManager manager;
    EXPECT_FALSE(LabelSkinned(&manager));
    manager.Active = true;
    EXPECT_TRUE(LabelSkinned(&manager));
    EXPECT_FALSE(LabelSkinned(nullptr));
    manager.SetDefault(true);
    EXPECT_TRUE(LabelSkinned(nullptr));
    manager.SetDefault(false);
    EXPECT_FALSE(LabelSkinned(nullptr));
}

// ---- The push button's drawing rules ----

class Button : public TsButtonState {
public:
    Button() : TsButtonState(this) {}
    using TsButtonState::StoreButtonStyle;
};

TEST(ButtonRules, ElementStateIsTheFirstThatApplies) {
    struct Case {
        bool disabled, pressed, mouseAbove, isFocused, hasFocus;
        TThemedButton state;
    };
    using enum TThemedButton;
    const Case cases[] = {
        {true, true, true, true, true, tbPushButtonDisabled},
        {false, true, true, true, true, tbPushButtonPressed},
        {false, false, true, true, true, tbPushButtonHot},
        {false, false, false, true, false, tbPushButtonDefaulted},
        {false, false, false, false, true, tbPushButtonDefaulted},
        {false, false, false, true, true, tbPushButtonDefaulted},
        {false, false, false, false, false, tbPushButtonNormal},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.disabled << c.pressed << c.mouseAbove << c.isFocused << c.hasFocus);
        Button button;
        button.SkinData()->FMouseAbove = c.mouseAbove;
        button.StoreButtonStyle(c.isFocused);
        EXPECT_EQ(button.ElementStateOf(c.disabled, c.pressed, c.hasFocus), c.state);
        EXPECT_EQ(button.StyledFocusRect(c.hasFocus), c.isFocused && c.hasFocus);
    }
}

TEST(ButtonRules, ClassicFrameFollowsFocusPressAndState) {
    struct Case {
        bool isFocused, hasFocus, pressed, disabled;
        TClassicFrame frame; // focus frame, pushed frame, inactive, focus rectangle
    };
    const Case cases[] = {
        {false, false, false, false, {false, false, false, false}},
        {true, false, false, false, {true, false, false, false}},
        {false, true, false, false, {true, false, false, false}},
        {true, true, false, false, {true, false, false, true}},
        {true, true, true, false, {true, true, false, true}},
        {false, false, true, false, {false, true, false, false}},
        {false, false, false, true, {false, false, true, false}},
        {true, false, false, true, {true, false, true, false}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.isFocused << c.hasFocus << c.pressed << c.disabled);
        Button button;
        button.StoreButtonStyle(c.isFocused);
        EXPECT_EQ(button.ClassicFrameOf(c.pressed, c.hasFocus, c.disabled), c.frame);
    }
}

TEST(ButtonRules, CaptionRectIsCentredWithASparePixelEachSide) {
    struct Case {
        int width, height, captionWidth, captionHeight;
        TRect rect;
    };
    const Case cases[] = {
        {197, 49, 71, 24, {62, 12, 135, 37}},
        {197, 49, 72, 23, {61, 13, 135, 36}},
        {100, 30, 0, 0, {49, 15, 51, 15}},
        // A caption wider than the button: the division truncates toward zero.
        {20, 10, 25, 13, {-3, -1, 24, 11}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " " << c.captionWidth
                                        << "x" << c.captionHeight);
        Button button;
        EXPECT_EQ(button.CaptionRectOf(c.width, c.height, c.captionWidth, c.captionHeight, false),
                  c.rect);
        // Pushed with no press held (Space): counts as pressed, 1 pixel right and down.
        EXPECT_EQ(button.CaptionRectOf(c.width, c.height, c.captionWidth, c.captionHeight, true),
                  c.rect.Offset(1, 1));
    }
    Button button;
    button.ContentMargin = 10;
    EXPECT_EQ(button.CaptionBounds(197, 49), (TRect{10, 0, 187, 49}));
}

TEST(ButtonRules, PushedCountsAsPressedOnlyUnderThePointerWhileThePressIsHeld) {
    struct Case {
        bool pushed, mouseAbove, leftPressHeld, hoverOff, pressed;
    };
    const Case cases[] = {
        {false, true, true, true, false},  {true, true, true, false, true},
        {true, false, true, false, false}, {true, false, false, false, true},
        {true, false, true, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.pushed << c.mouseAbove << c.leftPressHeld << c.hoverOff);
        TsSkinManager manager;
        manager.NoHoverEffects = c.hoverOff;
        Button button;
        button.SkinData()->SetSkinManager(&manager);
        button.SkinData()->FMouseAbove = c.mouseAbove;
        button.SetLeftPressHeld(c.leftPressHeld);
        EXPECT_EQ(button.CurrentStateOf(c.pushed), c.pressed);
    }
}

TEST(ButtonRules, HoverFollowsThePointerOnlyWhileEnabled) {
    Button button;
    EXPECT_TRUE(button.TrackMouse(true, true));
    EXPECT_TRUE(button.SkinData()->FMouseAbove);
    EXPECT_FALSE(button.TrackMouse(false, false)) << "no repaint and no change while disabled";
    EXPECT_TRUE(button.SkinData()->FMouseAbove);
    EXPECT_TRUE(button.TrackMouse(false, true));
    EXPECT_FALSE(button.SkinData()->FMouseAbove);
    button.SkinData()->BeginOwnerDestroy();
    EXPECT_FALSE(button.TrackMouse(true, true));
    EXPECT_FALSE(button.SkinData()->FMouseAbove);
}

} // namespace

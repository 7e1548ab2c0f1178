// The resources of the program module CVPANEL.EXE, built from
// app/resources/*.rc by windres and read the way the platform reads them:
// every language's dialogs, menus and strings, the language the platform
// picks for a user, the pictures and the version record.
#include <windows.h>
#include <winuser.h>
#include <commctrl.h>

#include "host/text.h"
#include "kernel/resources.h"
#include "test_machine.h"

#include "../../app/resources/resource.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace platform;

namespace {

constexpr WORD kEnglish = 1033;
// Resource types by ordinal, as the .res file stores them.
constexpr WORD kBitmap = 2, kMenu = 4, kDialog = 5, kString = 6, kGroupCursor = 12, kGroupIcon = 14;
// Languages with dialogs; those with strings and the menu as well.
constexpr std::array<WORD, 15> kDialogLanguages = {1028, 1031, 1033, 1034, 1036, 1040, 1041, 1042,
                                                   1043, 1046, 1049, 2052, 2058, 2070, 3082};
constexpr std::array<WORD, 12> kStringLanguages = {1028, 1031, 1033, 1036, 1040, 1041,
                                                   1042, 1043, 1046, 1049, 2052, 3082};
constexpr std::array<WORD, 3> kDialogOnlyLanguages = {1034, 2058, 2070};
constexpr std::array<WORD, 5> kDialogs = {IDD_CONTROL_PANEL, IDD_EFFECTS, IDD_GENERAL,
                                          IDD_PLAYBACK_MIXER, IDD_RECORD_MIXER};

std::vector<UINT> AllStringIds() {
    std::vector<UINT> ids = {IDS_REMOVED,         IDS_CAPTION,       IDS_REMOVE_SYNTH_FIRST,
                             IDS_CONFIRM_UNINSTALL, IDS_TITLE_GENERAL, IDS_TITLE_EFFECTS,
                             IDS_TITLE_PLAYBACK,  IDS_TITLE_RECORD,  IDS_NO_DIRECTX};
    for (UINT id = IDS_ENV_FIRST; id <= IDS_ENV_LAST; ++id) ids.push_back(id);
    return ids;
}

bool IsStringLanguage(WORD language) {
    return std::find(kStringLanguages.begin(), kStringLanguages.end(), language) !=
           kStringLanguages.end();
}

std::string Upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

class AppResources : public ::testing::Test {
  protected:
    void SetUp() override {
        // The machine links the program to the modules folder; the built
        // program sits one folder up, beside the platform library.
        fs::path program = machine_.DriveC() / "Program Files" / "Orbiq" / "CVPANEL.EXE";
        fs::path built = fs::path(TEST_MODULES_DIR).parent_path() / "CVPANEL.EXE";
        ASSERT_TRUE(fs::exists(built)) << built << " is not built";
        std::error_code ignored;
        fs::remove(program, ignored); // a link into the modules folder: never write through it
        fs::create_directories(program.parent_path());
        fs::copy_file(built, program);
        module_ = LoadLibraryA("C:\\Program Files\\Orbiq\\CVPANEL.EXE");
        ASSERT_NE(module_, nullptr);
        index_ = ResourcesOf(module_);
        ASSERT_NE(index_, nullptr);
    }
    void TearDown() override {
        if (module_ != nullptr) FreeLibrary(module_);
    }
    void SetLanguage(WORD language) {
        std::string error;
        ASSERT_TRUE(machine_->settings().Set("user", "language", std::to_string(language), &error))
            << error;
    }

    const ResourceEntry* Exactly(WORD type, WORD name, WORD language) const {
        return index_->Find(NameOrOrdinal::Ordinal(type), NameOrOrdinal::Ordinal(name), language);
    }
    // A dialog in exactly this language; fails the test when it is missing.
    DialogTemplateInfo Dialog(WORD id, WORD language) const {
        DialogTemplateInfo d;
        const ResourceEntry* e = Exactly(kDialog, id, language);
        EXPECT_NE(e, nullptr) << "dialog " << id << " in " << language;
        if (e != nullptr) {
            EXPECT_TRUE(ParseDialogTemplate(e->data, e->size, &d));
        }
        return d;
    }
    // String `id` of exactly this language's table; empty when it is missing.
    std::string StringIn(WORD language, UINT id) const {
        const ResourceEntry* e = Exactly(kString, StringBlockId(id), language);
        std::array<std::string, 16> block;
        if (e == nullptr || !ParseStringBlock(e->data, e->size, &block)) return {};
        return block[StringBlockSlot(id)];
    }
    MenuTemplateInfo MenuIn(WORD language) const {
        MenuTemplateInfo m;
        const ResourceEntry* e = Exactly(kMenu, IDR_TRAY_MENU, language);
        EXPECT_NE(e, nullptr) << "menu in " << language;
        if (e != nullptr) {
            EXPECT_TRUE(ParseMenuTemplate(e->data, e->size, &m));
        }
        return m;
    }
    // String `id` as the program loads it, in the user's language.
    std::string Load(UINT id) const {
        char buffer[512];
        int n = LoadStringA(module_, id, buffer, sizeof buffer);
        return std::string(buffer, n > 0 ? static_cast<size_t>(n) : 0);
    }

    TempMachine machine_;
    HMODULE module_ = nullptr;
    const ResourceIndex* index_ = nullptr;
};

// What makes a control the same control in every language: everything but
// its text and place.
struct ControlShape {
    DWORD id;
    std::string className;
    DWORD style;
    DWORD exStyle;
    WORD image; // the icon or bitmap of a picture static, else 0

    bool operator==(const ControlShape&) const = default;
};

std::ostream& operator<<(std::ostream& os, const ControlShape& c) {
    return os << "{id " << static_cast<int>(c.id) << ", " << c.className << ", style 0x" << std::hex
              << c.style << ", ex 0x" << c.exStyle << std::dec << ", image " << c.image << "}";
}

std::vector<ControlShape> Shapes(const DialogTemplateInfo& d) {
    std::vector<ControlShape> out;
    for (const DialogItemInfo& item : d.items)
        out.push_back({item.id, Upper(item.className), item.style, item.exStyle,
                       item.title.isOrdinal ? item.title.ordinal : WORD(0)});
    return out;
}

// The English controls, changed where a language differs by design: the
// Korean speaker buttons' order, the German and French Headphone button
// without tab stop, the Japanese top rule, the Chinese (PRC) first rule.
std::vector<ControlShape> ExpectedShapes(std::vector<ControlShape> english, WORD dialog, WORD language) {
    auto find = [&](DWORD id) {
        return std::find_if(english.begin(), english.end(),
                            [&](const ControlShape& c) { return c.id == id; });
    };
    if (dialog == IDD_GENERAL && language == 1042) {
        ControlShape stereoX2 = *find(IDC_STEREO_X2);
        english.erase(find(IDC_STEREO_X2));
        english.insert(find(IDC_FOUR_SPEAKERS) + 1, stereoX2);
    }
    if (dialog == IDD_GENERAL && (language == 1031 || language == 1036))
        find(IDC_HEADPHONE)->style &= ~WS_TABSTOP;
    for (ControlShape& c : english) {
        if (language == 1041 && c.image == IDB_RULE_TOP) c.image = IDB_RULE_TOP_WIDE;
        if (dialog == IDD_PLAYBACK_MIXER && language == 2052 && c.image == IDB_RULE_FIRST_COLUMN)
            c.image = IDB_RULE_COLUMN;
    }
    return english;
}

TEST_F(AppResources, EveryDialogHasTheEnglishControlsInEveryLanguage) {
    for (WORD dialog : kDialogs) {
        const std::vector<ControlShape> english = Shapes(Dialog(dialog, kEnglish));
        ASSERT_FALSE(english.empty()) << dialog;
        for (WORD language : kDialogLanguages) {
            DialogTemplateInfo d = Dialog(dialog, language);
            EXPECT_TRUE(d.extended) << dialog << " in " << language;
            std::vector<ControlShape> got = Shapes(d);
            std::vector<ControlShape> want = ExpectedShapes(english, dialog, language);
            EXPECT_EQ(got.size(), want.size()) << "dialog " << dialog << " in " << language;
            for (size_t i = 0; i < std::min(got.size(), want.size()); ++i)
                EXPECT_EQ(got[i], want[i]) << "control " << i << " of dialog " << dialog << " in " << language;
        }
    }
}

TEST_F(AppResources, DialogSizesPerLanguage) {
    struct Size {
        short cx, cy;
    };
    const std::map<WORD, Size> english = {{IDD_CONTROL_PANEL, {310, 234}}, {IDD_EFFECTS, {290, 188}},
                                          {IDD_GENERAL, {290, 188}},       {IDD_PLAYBACK_MIXER, {289, 187}},
                                          {IDD_RECORD_MIXER, {288, 185}}};
    const std::map<std::pair<WORD, WORD>, Size> exceptions = {
        {{IDD_EFFECTS, 1041}, {289, 187}},        {{IDD_GENERAL, 1041}, {289, 187}},
        {{IDD_PLAYBACK_MIXER, 1028}, {289, 182}}, {{IDD_PLAYBACK_MIXER, 1041}, {289, 182}},
        {{IDD_PLAYBACK_MIXER, 2052}, {294, 185}}, {{IDD_RECORD_MIXER, 1028}, {282, 182}},
        {{IDD_RECORD_MIXER, 1041}, {288, 177}},   {{IDD_RECORD_MIXER, 2052}, {282, 178}}};
    for (WORD dialog : kDialogs)
        for (WORD language : kDialogLanguages) {
            auto special = exceptions.find({dialog, language});
            Size want = special != exceptions.end() ? special->second : english.at(dialog);
            DialogTemplateInfo d = Dialog(dialog, language);
            EXPECT_EQ(d.cx, want.cx) << dialog << " in " << language;
            EXPECT_EQ(d.cy, want.cy) << dialog << " in " << language;
        }
}

// Translated texts may move and widen controls; none may leave its dialog.
TEST_F(AppResources, ControlsStayInsideTheirDialog) {
    for (WORD dialog : kDialogs)
        for (WORD language : kDialogLanguages) {
            DialogTemplateInfo d = Dialog(dialog, language);
            for (const DialogItemInfo& item : d.items) {
                // A drop-down combo box's height includes its list.
                int cy = EqualNoCase(item.className, "ComboBox") ? 12 : item.cy;
                EXPECT_TRUE(item.x >= 0 && item.y >= 0 && item.x + item.cx <= d.cx &&
                            item.y + cy <= d.cy)
                    << "control " << static_cast<int>(item.id) << " at " << item.x << "," << item.y
                    << " " << item.cx << "x" << item.cy << " of dialog " << dialog << " in "
                    << language << " (" << d.cx << "x" << d.cy << ")";
            }
        }
}

TEST_F(AppResources, ControlPanelAndPageTemplateStyles) {
    for (WORD language : kDialogLanguages) {
        DialogTemplateInfo panel = Dialog(IDD_CONTROL_PANEL, language);
        const DWORD panelStyle = DS_SETFONT | DS_MODALFRAME | DS_CONTEXTHELP | WS_POPUP | WS_VISIBLE |
                                 WS_CAPTION | WS_SYSMENU;
        EXPECT_EQ(panel.style, panelStyle) << language;
        EXPECT_EQ(panel.exStyle & WS_EX_CONTEXTHELP, static_cast<DWORD>(WS_EX_CONTEXTHELP)) << language;
        EXPECT_TRUE(panel.menu.isOrdinal && panel.menu.ordinal == IDR_TRAY_MENU) << language;
        for (WORD page : {IDD_EFFECTS, IDD_GENERAL, IDD_PLAYBACK_MIXER, IDD_RECORD_MIXER}) {
            DialogTemplateInfo d = Dialog(page, language);
            EXPECT_EQ(d.style, static_cast<DWORD>(DS_SETFONT | WS_CHILD)) << page << " in " << language;
            EXPECT_TRUE(d.title.empty() && d.menu.Empty()) << page << " in " << language;
        }
    }

    // The controls the program drives by class and style.
    struct Expected {
        WORD dialog;
        DWORD id;
        const char* className;
        DWORD style; // without WS_CHILD
    };
    const Expected controls[] = {
        {IDD_CONTROL_PANEL, IDC_PAGE_TABS, "SysTabControl32", WS_VISIBLE | WS_GROUP | WS_TABSTOP},
        {IDD_CONTROL_PANEL, IDC_APPLY, "Button", WS_VISIBLE | WS_DISABLED | WS_TABSTOP | BS_PUSHBUTTON},
        {IDD_CONTROL_PANEL, IDC_PANEL_ICON, "Static", WS_VISIBLE | SS_ICON},
        {IDD_EFFECTS, IDC_CPU_USAGE, "msctls_trackbar32",
         WS_VISIBLE | WS_GROUP | WS_TABSTOP | TBS_AUTOTICKS | TBS_TOP},
        {IDD_EFFECTS, IDC_SPREAD, "msctls_trackbar32", WS_VISIBLE | WS_TABSTOP | TBS_BOTH | TBS_NOTICKS},
        {IDD_EFFECTS, IDC_ENVIRONMENT, "ComboBox", WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN},
        {IDD_EFFECTS, IDC_REVERB, "Button", WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX},
        {IDD_EFFECTS, IDC_QSOUND, "Button", WS_GROUP | WS_TABSTOP | BS_AUTORADIOBUTTON},
        {IDD_EFFECTS, IDC_EFFECTS_ICON, "Static", SS_ICON},
        {IDD_GENERAL, IDC_TWO_SPEAKERS, "Button", WS_VISIBLE | WS_GROUP | WS_TABSTOP | BS_AUTORADIOBUTTON},
        {IDD_GENERAL, IDC_SPEAKER_TEST, "Button", WS_VISIBLE | BS_GROUPBOX},
        {IDD_GENERAL, IDC_SUBWOOFER, "Static", SS_BLACKFRAME},
        {IDD_PLAYBACK_MIXER, IDC_PLAY_CD_VOLUME, "msctls_trackbar32",
         WS_VISIBLE | WS_GROUP | WS_TABSTOP | TBS_VERT | TBS_AUTOTICKS | TBS_BOTH},
        {IDD_PLAYBACK_MIXER, IDC_PLAY_CD_BALANCE, "msctls_trackbar32", WS_VISIBLE | WS_GROUP | WS_TABSTOP},
        {IDD_PLAYBACK_MIXER, IDC_PLAY_MASTER_MUTE, "Button",
         WS_VISIBLE | WS_GROUP | WS_TABSTOP | BS_AUTOCHECKBOX},
        {IDD_RECORD_MIXER, IDC_REC_MIC_SELECT, "Button", WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX},
    };
    for (const Expected& want : controls) {
        DialogTemplateInfo d = Dialog(want.dialog, kEnglish);
        auto it = std::find_if(d.items.begin(), d.items.end(),
                               [&](const DialogItemInfo& i) { return i.id == want.id; });
        ASSERT_NE(it, d.items.end()) << want.id;
        EXPECT_TRUE(EqualNoCase(it->className, want.className)) << want.id << ": " << it->className;
        EXPECT_EQ(it->style, want.style | WS_CHILD) << want.id;
    }
}

// Which controls are never shown: the program relies on it, and the
// speaker pictures are drawn where the hidden frames are.
TEST_F(AppResources, HiddenControlsAndSpeakerPlaces) {
    const std::map<WORD, std::set<DWORD>> hidden = {
        {IDD_CONTROL_PANEL, {}},
        {IDD_EFFECTS,
         {IDC_ELEVATION, IDC_RATE_CONVERSION, IDC_QSOUND, IDC_STEREO, IDC_OUTPUT_SPEAKERS,
          IDC_OUTPUT_HEADPHONES, IDC_OUTPUT_MONO, IDC_OUTPUT_QUAD, IDC_SPLASH_LOGO, IDC_EFFECTS_ICON}},
        {IDD_GENERAL,
         {IDC_HEADPHONE, IDC_FRONT_LEFT, IDC_FRONT_RIGHT, IDC_REAR_LEFT, IDC_REAR_RIGHT,
          IDC_CENTER_SPEAKER, IDC_SUBWOOFER}},
        {IDD_PLAYBACK_MIXER, {}},
        {IDD_RECORD_MIXER, {}}};
    for (WORD language : kDialogLanguages)
        for (const auto& [dialog, ids] : hidden) {
            std::set<DWORD> found;
            for (const DialogItemInfo& item : Dialog(dialog, language).items)
                if (!(item.style & WS_VISIBLE)) found.insert(item.id);
            EXPECT_EQ(found, ids) << dialog << " in " << language;
        }

    struct Place {
        DWORD id;
        short x, y, cx, cy;
    };
    const Place places[] = {{IDC_FRONT_LEFT, 98, 15, 36, 36},  {IDC_FRONT_RIGHT, 241, 15, 36, 36},
                            {IDC_REAR_LEFT, 98, 96, 36, 36},   {IDC_REAR_RIGHT, 241, 96, 36, 36},
                            {IDC_CENTER_SPEAKER, 164, 15, 48, 16}, {IDC_SUBWOOFER, 170, 33, 36, 32},
                            {IDC_SPEAKER_TEST, 94, 7, 188, 129}};
    for (WORD language : kDialogLanguages) {
        DialogTemplateInfo d = Dialog(IDD_GENERAL, language);
        for (const Place& p : places) {
            auto it = std::find_if(d.items.begin(), d.items.end(),
                                   [&](const DialogItemInfo& i) { return i.id == p.id; });
            ASSERT_NE(it, d.items.end());
            EXPECT_TRUE(it->x == p.x && it->y == p.y && it->cx == p.cx && it->cy == p.cy)
                << p.id << " in " << language;
        }
    }
}

TEST_F(AppResources, DialogTitlesAndFonts) {
    const std::map<WORD, std::string> dialogOnlyTitles = {{1034, "Zandrel Orbiq Panel de Control"},
                                                          {2058, "Zandrel Orbiq Panel de Control"},
                                                          {2070, "Zandrel Orbiq Painel de Controle"}};
    struct Font {
        WORD points;
        const char* face;
    };
    const std::map<WORD, Font> fonts = {{1028, {9, "新細明體"}}, {1041, {9, "ＭＳ Ｐゴシック"}}, {2052, {9, "宋体"}}};
    for (WORD language : kDialogLanguages) {
        DialogTemplateInfo panel = Dialog(IDD_CONTROL_PANEL, language);
        std::string want = IsStringLanguage(language) ? "Zandrel " + StringIn(language, IDS_CAPTION)
                                                      : dialogOnlyTitles.at(language);
        EXPECT_EQ(panel.title, want) << language;

        auto special = fonts.find(language);
        Font font = special != fonts.end() ? special->second : Font{8, "MS Sans Serif"};
        for (WORD dialog : kDialogs) {
            DialogTemplateInfo d = Dialog(dialog, language);
            EXPECT_TRUE(d.hasFont) << dialog << " in " << language;
            EXPECT_EQ(d.font.pointSize, font.points) << dialog << " in " << language;
            EXPECT_EQ(d.font.typeface, font.face) << dialog << " in " << language;
        }
    }
}

// Words that are right untranslated, and the languages where they are.
bool SameWordIsRight(const std::string& text, WORD language) {
    static const std::map<std::string, std::set<WORD>> allowed = {
        {"OK", {1031, 1036, 1040, 1041, 1043, 1046, 1049, 2070}},
        {"Stereo", {1031, 1040, 1043}},
        {"Mono", {1031, 1034, 1036, 1040, 1043, 1046, 2058, 2070, 3082}},
        {"Wave", {1031, 1034, 1036, 1040, 1043, 1046, 1049, 2058, 2070, 3082}},
        {"Balance", {1031, 1034, 1036, 2058, 3082}},
        {"Volume", {1043}},
        {"Mix", {1031, 1043}},
        {"Line-In", {1031}},
        {"Arena", {1031, 1040, 1043, 1046}},
        {"Hangar", {1031, 1036, 1040, 1043, 1046, 3082}},
    };
    // Names: the card's mode, the 3D sound system, the compact disc.
    if (text == "QSound" || text == "Stereo X 2" || text == "CD") return true;
    auto it = allowed.find(text);
    return it != allowed.end() && it->second.count(language) != 0;
}

TEST_F(AppResources, DialogTextsAreTranslated) {
    for (WORD dialog : kDialogs) {
        DialogTemplateInfo english = Dialog(dialog, kEnglish);
        for (WORD language : kDialogLanguages) {
            if (language == kEnglish) continue;
            DialogTemplateInfo d = Dialog(dialog, language);
            if (!english.title.empty()) {
                EXPECT_NE(d.title, english.title) << dialog << " in " << language;
            }
            // Pair the controls by id and by their order among equal ids.
            std::map<DWORD, std::vector<std::string>> englishTexts;
            for (const DialogItemInfo& item : english.items)
                if (!item.title.isOrdinal) englishTexts[item.id].push_back(item.title.text);
            std::map<DWORD, size_t> seen;
            for (const DialogItemInfo& item : d.items) {
                if (item.title.isOrdinal) continue;
                const std::vector<std::string>& texts = englishTexts[item.id];
                size_t k = seen[item.id]++;
                ASSERT_LT(k, texts.size()) << item.id;
                if (texts[k].empty()) {
                    EXPECT_EQ(item.title.text, "") << item.id << " in " << language;
                } else if (!SameWordIsRight(item.title.text, language)) {
                    EXPECT_NE(item.title.text, texts[k]) << "dialog " << dialog << " in " << language;
                }
            }
        }
    }
}

TEST_F(AppResources, EveryStringLanguageHoldsEveryString) {
    for (WORD language : kStringLanguages)
        for (UINT id : AllStringIds())
            EXPECT_NE(StringIn(language, id), "") << "string " << id << " in " << language;
    // Languages with dialogs only have no string table and no menu of their own.
    for (WORD language : kDialogOnlyLanguages) {
        for (UINT id : AllStringIds())
            EXPECT_EQ(Exactly(kString, StringBlockId(id), language), nullptr) << id << " in " << language;
        EXPECT_EQ(Exactly(kMenu, IDR_TRAY_MENU, language), nullptr) << language;
    }
}

TEST_F(AppResources, CaptionTabTitlesAndMenuPerLanguage) {
    struct Texts {
        WORD language;
        const char* caption;
        const char* tabs[4];
        const char* open;
        const char* exit;
    };
    const Texts table[] = {
        {1033, "Orbiq Control Panel", {"General", "Effects", "Playback Mixer", "Record Mixer"}, "&Open", "&Exit"},
        {1028, "Orbiq控制台", {"一般", "效果", "放音混音器", "錄音混音器"}, "&O開啟", "&E結束"},
        {1031, "Orbiq Schalttafel", {"Allgemein", "Effekt", "Playback Mixer", "Record Mixer"}, "&Öffnen", "&Fertig"},
        {1036, "Orbiq Pupitre De Commande", {"Génél", "Effets", "Mixeur de lecture", "Mixeur d'enregistrement"},
         "&Ouvrir", "&Sortir"},
        {1040, "Orbiq Pannello di controllo", {"Generale", "Effetti", "Mixer riproduzione", "Mixer registrazione"},
         "&Apri", "&Esci"},
        {1041, "Orbiqｺﾝﾄﾛｰﾙﾊﾟﾈﾙ", {"全般", "効果", "再生ミキサー", "録音ミキサー"}, "開く(&O)", "終了(&X)"},
        {1042, "Orbiq제어판", {"일반", "효과", "재생 믹서", "녹음 믹서"}, "&O열기", "&E종료"},
        {1043, "Orbiq Bedieningspaneel", {"Algemeen", "Uitwerkingen", "Playback Mixer", "Opname Mixer"}, "&Open",
         "&Exit"},
        {1046, "Orbiq Painel de Controle", {"Geral", "Efeitos", "Misturadora de Reprodução", "Misturadora de Gravação"},
         "&Abrir", "&Sair"},
        {1049, "Orbiq Контрольная панель", {"Общие", "Эффекты", "Микшер воспроизведения", "Микшер записи"},
         "О&ткрыть", "&Выход"},
        {2052, "Orbiq控制面板", {"一般", "效果", "放音混音器", "录音混音器"}, "&O打开", "&E退出"},
        {3082, "Orbiq Panel de Control", {"General", "Efectos", "Mezclador de Reproducción", "Mezclador de Grabación"},
         "&Abrir", "&Salir"},
    };
    for (const Texts& t : table) {
        EXPECT_EQ(StringIn(t.language, IDS_CAPTION), t.caption) << t.language;
        for (UINT i = 0; i < 4; ++i)
            EXPECT_EQ(StringIn(t.language, IDS_TITLE_GENERAL + i), t.tabs[i]) << t.language;

        // One pop-up without a title holding Open and Exit, in this order.
        MenuTemplateInfo m = MenuIn(t.language);
        ASSERT_EQ(m.items.size(), 1u) << t.language;
        EXPECT_TRUE(m.items[0].popup);
        EXPECT_EQ(m.items[0].text, "");
        ASSERT_EQ(m.items[0].children.size(), 2u) << t.language;
        EXPECT_EQ(m.items[0].children[0].id, static_cast<DWORD>(IDM_OPEN));
        EXPECT_EQ(m.items[0].children[0].text, t.open);
        EXPECT_EQ(m.items[0].children[1].id, static_cast<DWORD>(IDM_EXIT));
        EXPECT_EQ(m.items[0].children[1].text, t.exit);
    }
    EXPECT_EQ(sizeof table / sizeof table[0], kStringLanguages.size());
}

TEST_F(AppResources, MessagesAndEnvironmentNamesAreTranslated) {
    std::vector<UINT> translated = {IDS_REMOVED, IDS_REMOVE_SYNTH_FIRST, IDS_CONFIRM_UNINSTALL, IDS_NO_DIRECTX};
    for (UINT id = IDS_ENV_NONE; id <= IDS_ENV_PSYCHOTIC; ++id) translated.push_back(id);
    for (WORD language : kStringLanguages) {
        if (language == kEnglish) continue;
        for (UINT id : translated) {
            std::string text = StringIn(language, id);
            if (!SameWordIsRight(text, language)) {
                EXPECT_NE(text, StringIn(kEnglish, id)) << "string " << id << " in " << language;
            }
        }
        // The QSound presets are named after games, the same everywhere.
        for (UINT id = IDS_PRESET_0; id <= IDS_PRESET_24; ++id)
            EXPECT_EQ(StringIn(language, id), StringIn(kEnglish, id)) << id << " in " << language;
    }
    EXPECT_EQ(StringIn(kEnglish, IDS_ENV_NONE), "- none -");
    EXPECT_EQ(StringIn(kEnglish, IDS_ENV_PSYCHOTIC), "Psychotic");
    EXPECT_EQ(StringIn(kEnglish, IDS_PRESET_0), "QSound 0 (Jedi Knight)");
    EXPECT_EQ(StringIn(kEnglish, IDS_PRESET_24), "QSound 24 (X-Wing/Tie Fighter)");
}

// The uninstall question shows on two lines, broken after the word for
// "game" of each language.
TEST_F(AppResources, UninstallQuestionBreaksAfterTheWordForGame) {
    const std::map<WORD, std::string> gameWord = {
        {1028, "遊戲"}, {1031, "Spiele"}, {1033, "game"},     {1036, "jeu"},     {1040, "giochi"},
        {1041, "ゲーム"}, {1042, "게임"},   {1043, "spellen"}, {1046, "jogos"}, {1049, "игровые"},
        {2052, "游戏"}, {3082, "juegos"}};
    ASSERT_EQ(gameWord.size(), kStringLanguages.size());
    for (const auto& [language, word] : gameWord) {
        std::string text = StringIn(language, IDS_CONFIRM_UNINSTALL);
        size_t br = text.find('\n');
        ASSERT_NE(br, std::string::npos) << language;
        EXPECT_EQ(text.find('\n', br + 1), std::string::npos) << "one line break only in " << language;
        EXPECT_TRUE(br >= word.size() && text.compare(br - word.size(), word.size(), word) == 0)
            << language << ": " << text;
        EXPECT_LT(br + 1, text.size()) << "a second line in " << language;
    }
    EXPECT_EQ(StringIn(kEnglish, IDS_CONFIRM_UNINSTALL),
              "Do you really want to uninstall Orbiq PCI audio/game\ndevices and drivers?");
}

TEST_F(AppResources, LanguageFollowsTheUserWithTheFallback) {
    auto loadDialog = [&](WORD id) {
        DialogTemplateInfo d;
        EXPECT_TRUE(LoadDialogInfo(module_, MAKEINTRESOURCEA(id), &d));
        return d;
    };
    auto menuOpen = [&] {
        MenuTemplateInfo m;
        EXPECT_TRUE(LoadMenuItems(module_, MAKEINTRESOURCEA(IDR_TRAY_MENU), &m));
        return m.items.empty() || m.items[0].children.empty() ? std::string() : m.items[0].children[0].text;
    };
    auto textOf = [](const DialogTemplateInfo& d, DWORD id) {
        for (const DialogItemInfo& item : d.items)
            if (item.id == id) return item.title.text;
        return std::string();
    };

    // The three languages with dialogs only: their own dialogs, strings and
    // menu in US English.
    struct DialogOnly {
        WORD language;
        const char* title;
        const char* twoSpeakers;
    };
    for (const DialogOnly& c : {DialogOnly{2058, "Zandrel Orbiq Panel de Control", "2 bocinas"},
                                DialogOnly{1034, "Zandrel Orbiq Panel de Control", "2 altavoces"},
                                DialogOnly{2070, "Zandrel Orbiq Painel de Controle", "2 altifalantes"}}) {
        SetLanguage(c.language);
        EXPECT_EQ(loadDialog(IDD_CONTROL_PANEL).title, c.title) << c.language;
        EXPECT_EQ(textOf(loadDialog(IDD_GENERAL), IDC_TWO_SPEAKERS), c.twoSpeakers) << c.language;
        EXPECT_EQ(Load(IDS_CAPTION), "Orbiq Control Panel") << c.language;
        EXPECT_EQ(Load(IDS_TITLE_PLAYBACK), "Playback Mixer") << c.language;
        EXPECT_EQ(menuOpen(), "&Open") << c.language;
    }

    SetLanguage(1031);
    EXPECT_EQ(Load(IDS_TITLE_GENERAL), "Allgemein");
    EXPECT_EQ(Load(IDS_TITLE_EFFECTS), "Effekt");
    EXPECT_EQ(Load(IDS_TITLE_PLAYBACK), "Playback Mixer");
    EXPECT_EQ(Load(IDS_TITLE_RECORD), "Record Mixer");
    EXPECT_EQ(menuOpen(), "&Öffnen");
    EXPECT_EQ(loadDialog(IDD_CONTROL_PANEL).title, "Zandrel Orbiq Schalttafel");

    SetLanguage(1041);
    EXPECT_EQ(Load(IDS_TITLE_GENERAL), "全般");
    EXPECT_EQ(Load(IDS_TITLE_EFFECTS), "効果");
    EXPECT_EQ(Load(IDS_TITLE_PLAYBACK), "再生ミキサー");
    EXPECT_EQ(Load(IDS_TITLE_RECORD), "録音ミキサー");
    EXPECT_EQ(loadDialog(IDD_RECORD_MIXER).cy, 177);

    // A language the program does not have: US English throughout.
    SetLanguage(1030);
    EXPECT_EQ(Load(IDS_TITLE_GENERAL), "General");
    EXPECT_EQ(loadDialog(IDD_CONTROL_PANEL).title, "Zandrel Orbiq Control Panel");
}

TEST_F(AppResources, PicturesExistOnceInUsEnglish) {
    struct Picture {
        WORD type;
        WORD id;
        int width, height, bitCount;
    };
    const Picture pictures[] = {
        {kGroupIcon, IDI_PROGRAM, 32, 32, 4},
        {kGroupIcon, IDI_EFFECTS, 32, 32, 4},
        {kGroupCursor, IDC_SPEAKER_HAND, 32, 32, 1},
        {kBitmap, IDB_SPEAKER_FRONT_LEFT, 54, 54, 8},
        {kBitmap, IDB_SPEAKER_FRONT_RIGHT, 54, 54, 8},
        {kBitmap, IDB_SPEAKER_REAR_LEFT, 54, 54, 8},
        {kBitmap, IDB_SPEAKER_REAR_RIGHT, 54, 54, 8},
        {kBitmap, IDB_SPEAKER_CENTER, 72, 32, 8},
        {kBitmap, IDB_SUBWOOFER, 51, 48, 8},
        {kBitmap, IDB_MUSIC_NOTE, 29, 30, 8},
        {kBitmap, IDB_RULE_TOP, 411, 2, 4},
        {kBitmap, IDB_RULE_COLUMN, 2, 285, 4},
        {kBitmap, IDB_RULE_FIRST_COLUMN, 2, 286, 4},
        {kBitmap, IDB_RULE_BALANCE, 60, 2, 4},
        {kBitmap, IDB_RULE_TOP_WIDE, 500, 2, 4},
    };
    for (const Picture& p : pictures) {
        std::vector<WORD> languages;
        for (const ResourceEntry& e : index_->Entries())
            if (e.type.isOrdinal && e.type.ordinal == p.type && e.name.isOrdinal && e.name.ordinal == p.id)
                languages.push_back(e.language);
        EXPECT_EQ(languages, std::vector<WORD>{kEnglish}) << p.type << "/" << p.id;
        const ResourceEntry* e = Exactly(p.type, p.id, kEnglish);
        ASSERT_NE(e, nullptr) << p.id;
        if (p.type == kBitmap) {
            ResBitmapInfoHeader header;
            ASSERT_GE(e->size, sizeof header);
            std::memcpy(&header, e->data, sizeof header);
            EXPECT_EQ(header.biWidth, p.width) << p.id;
            EXPECT_EQ(header.biHeight, p.height) << p.id;
            EXPECT_EQ(header.biBitCount, p.bitCount) << p.id;
        } else {
            std::vector<IconDirectoryEntry> images;
            ASSERT_TRUE(ParseIconDirectory(e->data, e->size, p.type == kGroupCursor, &images));
            ASSERT_EQ(images.size(), 1u) << p.id;
            EXPECT_EQ(images[0].width, p.width) << p.id;
            EXPECT_EQ(images[0].height, p.height) << p.id;
            EXPECT_EQ(images[0].bitCount, p.bitCount) << p.id;
        }
    }

    // A user of any language gets them; the hand points with its tip.
    SetLanguage(1041);
    IconImage hand;
    ASSERT_TRUE(LoadIconImage(module_, MAKEINTRESOURCEA(IDC_SPEAKER_HAND), true, 32, 32, &hand));
    EXPECT_EQ(hand.hotSpot.x, 0);
    EXPECT_EQ(hand.hotSpot.y, 0);
    BitmapPixels note;
    EXPECT_TRUE(LoadBitmapPixels(module_, MAKEINTRESOURCEA(IDB_MUSIC_NOTE), &note));
}

TEST_F(AppResources, VersionRecord) {
    VersionInfo v;
    ASSERT_TRUE(LoadVersionInfo(module_, &v));
    EXPECT_EQ(v.fileVersion, (std::array<WORD, 4>{1, 2, 0, 3}));
    EXPECT_EQ(v.productVersion, (std::array<WORD, 4>{1, 2, 0, 3}));
    EXPECT_EQ(v.fileOS, 0x00040004u) << "VOS_NT_WINDOWS32";
    EXPECT_EQ(v.fileType, 1u) << "VFT_APP";
    const std::pair<const char*, const char*> values[] = {
        {"FileVersion", "1.203"},
        {"ProductVersion", "1, 2, 0, 3"},
        {"ProductName", "Zandrel Orbiq"},
        {"FileDescription", "Orbiq Multi-language"},
        {"InternalName", "Orbiq"},
        {"Comments", "Zandrel Orbiq Audio Control Panel"},
        {"OriginalFilename", "cvpanel.exe"},
    };
    for (const auto& [name, value] : values) {
        ASSERT_NE(v.Value(name), nullptr) << name;
        EXPECT_EQ(*v.Value(name), value) << name;
    }
}

} // namespace

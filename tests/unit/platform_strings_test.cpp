// The installer's string table read back through LoadStringW, with the same
// cases under Wine and on the substitute. The user's language comes, under
// Wine, from the locale the program is started in (one CTest entry per
// locale, see tests/CMakeLists.txt) and, on the substitute, from the
// machine's setting.
#include "qvr_test_machine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#ifndef _WIN32
#include "qvr_sim.h"
#endif

using qvrtest::narrow;
using qvrtest::W;
using qvrtest::wstr;

namespace {

// Codes the library does not name but Windows gives.
const DWORD kModNotFound = 126;
const DWORD kResourceDataNotFound = 1812;  // not a module (or one without resources)
const DWORD kResourceNameNotFound = 1814;  // no block of 16 strings holds the ID

const DWORD kUntouched = 77;  // a last error no call here sets
const WCHAR kSentinel = 0xBEEF;

struct Table {
    LANGID language;
    std::map<UINT, const WCHAR*> texts;
};

// Every table as the installer ships it: written out here once, not taken
// from the resource script, so that a text garbled on its way into either
// platform's table shows. A "?" in place of a letter is part of the text.
const Table kTables[] = {
    {0x0409,  // English (United States)
     {
         {101, QVR_T("Please close all programs that have windows before you continue.")},
         {1120, QVR_T("This oprating system does not match requirements.")},
         {1121, QVR_T("Failed to update file %s")},
         {1122, QVR_T("%s will be terminated. Do you save your change?")},
         {1130, QVR_T("This patch does not apply to this version of Sentravault Solution - Keyminder.")},
         {1140, QVR_T("Sentravault Solution - Keyminder")},
         {1160, QVR_T("The installation of the patch has completed. Please restart system to enable changes.")},
         {1170, QVR_T("This patch has already been installed on this computer.")},
         {1180, QVR_T("Sentravault Solution - Keyminder is not installed on this computer.")},
         {1200, QVR_T("An unknown exception occurred, the patch installation failed.")},
     }},
    {0x0004,  // Chinese (Traditional), neutral
     {
         {1120, QVR_T("作業系統不符合需求。")},
         {1130, QVR_T("修補程式無法套用至此版本的 Sentravault Solution - Keyminder。")},
         {1140, QVR_T("Sentravault Solution - Keyminder")},
         {1160, QVR_T("修補程式的安裝作業已完成。請重新啟動系統以啟用變更。")},
         {1170, QVR_T("本電腦已安裝此修補程式。")},
         {1180, QVR_T("本電腦尚未安裝 Sentravault Solution - Keyminder。")},
         {1200, QVR_T("發生不明的異常狀況，修補程式的安裝作業失敗。")},
     }},
    {0x0007,  // German, neutral
     {
         {1120, QVR_T("Dieses Betriebssystem erf?llt die Anforderungen nicht.")},
         {1130, QVR_T("Dieser Patch kann auf die installierte Version von Sentravault Solution - Keyminder nicht "
                      "angewendet werden.")},
         {1140, QVR_T("Sentravault Solution - Keyminder")},
         {1160,
          QVR_T("Der Patch wurde installiert. Bitte starten Sie das System neu, damit die ?nderungen wirksam werden.")},
         {1170, QVR_T("Der Patch wurde auf diesem Computer bereits installiert.")},
         {1180, QVR_T("Sentravault Solution - Keyminder ist auf diesem Computer nicht installiert.")},
         {1200, QVR_T("Eine unbekannte Ausnahme ist aufgetreten, die Installation des Patchs ist fehlgeschlagen.")},
     }},
    {0x0406,  // Danish
     {
         {1120, QVR_T("Dette styresystem opfylder ikke kravene.")},
         {1130, QVR_T("Denne rettelse gælder ikke til denne version af Sentravault Solution - Keyminder.")},
         {1140, QVR_T("Sentravault Solution - Keyminder")},
         {1160, QVR_T("Installation af rettelsen er udført. Start systemet igen for at aktivere ændringerne.")},
         {1170, QVR_T("Denne rettelse er allerede installeret p?computeren.")},
         {1180, QVR_T("Sentravault Solution - Keyminder er ikke installeret p?computeren.")},
         {1200, QVR_T("Der er opstået en uventet undtagelse. Rettelsen er ikke installeret.")},
     }},
    {0x040B,  // Finnish
     {
         {1120, QVR_T("Tietokoneen käyttöjärjestelmää ei tueta.")},
         {1130,
          QVR_T("Täm?ohjelmakorjaus ei ole tarkoitettu Sentravault Solution - Keyminder -ohjelman tähän versioon.")},
         {1140, QVR_T("Sentravault Solution - Keyminder")},
         {1160, QVR_T("Ohjelmakorjauksen asennus on päättynyt. Käynnist?tietokone uudelleen, jotta muutokset tulevat "
                      "voimaan.")},
         {1170, QVR_T("Täm?ohjelmakorjaus on jo asennettu tähän tietokoneeseen.")},
         {1180, QVR_T("Sentravault Solution - Keyminder -ohjelmaa ei ole asennettu tähän tietokoneeseen.")},
         {1200, QVR_T("On ilmennyt tuntematon poikkeus. Ohjelmakorjauksen asennus epäonnistui.")},
     }},
    {0x040C,  // French
     {
         {1120, QVR_T("Ce système d'exploitation ne répond pas aux conditions requises.")},
         {1130, QVR_T("Ce correctif ne s'applique pas ?cette version de Sentravault Solution - Keyminder.")},
         {1140, QVR_T("Sentravault Solution - Keyminder")},
         {1160, QVR_T("L'installation du correctif est terminée. Veuillez redémarrer votre système pour que les "
                      "modifications soient prises en compte.")},
         {1170, QVR_T("Ce correctif a déj?ét?install?sur cet ordinateur.")},
         {1180, QVR_T("Sentravault Solution - Keyminder n'est pas install?sur cet ordinateur.")},
         {1200, QVR_T("Une exception inconnue s'est produite. L'installation du correctif a échou?")},
     }},
    {0x0410,  // Italian
     {
         {1120, QVR_T("Questo sitema operativo non dispone dei requisiti necessari.")},
         {1130,
          QVR_T("Questa patch non ?applicabile a questa versione di versione di Sentravault Solution - Keyminder.")},
         {1140, QVR_T("Sentravault Solution - Keyminder")},
         {1160, QVR_T("Installazione della patch completata. Riavviare il sistema per applicare le modifiche.")},
         {1170, QVR_T("Questa patch ?gi?stata installata su questo computer.")},
         {1180, QVR_T("Sentravault Solution - Keyminder non ?installato su questo computer.")},
         {1200,
          QVR_T("Si ?verificato un e2rrore sconosciuto, installazione della patch terminata in modo non corretto. ")},
     }},
    {0x0411,  // Japanese
     {
         {1120, QVR_T("このオペレーティング・システムは、要件に適合しません。")},
         {1130, QVR_T("このパッチは、このバージョンの Sentravault Solution - Keyminder には適用されません。")},
         {1140, QVR_T("Sentravault Solution - Keyminder")},
         {1160, QVR_T("パッチのインストールが完了しました。変更を有効にするには、システムを再起動してください。")},
         {1170, QVR_T("このパッチは、すでにこのコンピューターにインストール済みです。")},
         {1180, QVR_T("Sentravault Solution - Keyminder は、このコンピューターにインストールされていません。")},
         {1200, QVR_T("不明の例外が発生したため、パッチのインストールは失敗しました。")},
     }},
    {0x0412,  // Korean
     {
         {1120, QVR_T("이 운영 체제는 요구사항에 맞지 않습니다.")},
         {1130, QVR_T("이 패치는 현재 설치된 Sentravault Solution - Keyminder 버전에 적용되지 않습니다.")},
         {1140, QVR_T("Sentravault Solution - Keyminder")},
         {1160, QVR_T("패치를 설치 완료했습니다. 변경사항을 적용하려면 시스템을 다시 시작하십시오.")},
         {1170, QVR_T("이 패치는 컴퓨터에 이미 설치되어 있습니다.")},
         {1180, QVR_T("Sentravault Solution-Keyminder가 컴퓨터에 설치되지 않았습니다.")},
         {1200, QVR_T("알 수 없는 예외가 발생했습니다. 패치 설치에 실패했습니다.")},
     }},
    {0x0413,  // Dutch
     {
         {1120, QVR_T("Dit besturingssysteem voldoet niet aan de vereisten.")},
         {1130, QVR_T("Deze patch is niet van toepassing op deze versie van Sentravault Solution - Keyminder.")},
         {1140, QVR_T("Sentravault Solution - Keyminder")},
         {1160, QVR_T("De installatie van de patch is voltooid. Start het systeem opnieuw om de wijzigingen van kracht "
                      "te maken.")},
         {1170, QVR_T("Deze patch is al op deze computer geïnstalleerd.")},
         {1180, QVR_T("Sentravault Solution - Keyminder is niet geïnstalleerd op deze computer.")},
         {1200, QVR_T("Er is een onbekende uitzondering opgetreden, installatie van de patch is mislukt.")},
     }},
    {0x0414,  // Norwegian (Bokmål)
     {
         {1120, QVR_T("Dette operativsystemet oppfyller ikke kravene.")},
         {1130, QVR_T("Denne programrettelsen gjelder ikke for denne versjonen av Sentravault Solution - Keyminder.")},
         {1140, QVR_T("Sentravault Solution - Keyminder")},
         {1160,
          QVR_T("Installeringen av programrettelsen er ferdig. Start systemet p?nytt for ?ta i bruk endringene.")},
         {1170, QVR_T("Denne programrettelsen er allerede installert p?denne datamaskinen.")},
         {1180, QVR_T("Sentravault Solution - Keyminder er ikke installert p?denne datamaskinen.")},
         {1200, QVR_T("Det oppstod et ukjent unntak. Installeringen av programrettelsen mislyktes.")},
     }},
    {0x0416,  // Portuguese (Brazil)
     {
         {1120, QVR_T("Este sistema operacional não corresponde aos requisitos.")},
         {1130, QVR_T("Esta correção não se aplica a esta versão do Sentravault Solution-Keyminder.")},
         {1140, QVR_T("Sentravault Solution-Keyminder")},
         {1160, QVR_T("A instalação da correção foi concluída. Reinicie o sistema para ativar alterações.")},
         {1170, QVR_T("Esta correção j?foi instalada neste computador.")},
         {1180, QVR_T("O Sentravault Solution - Keyminder não est?instalado neste computador.")},
         {1200, QVR_T("Uma exceção desconhecida ocorreu, a instalação da correção falhou.")},
     }},
    {0x041D,  // Swedish
     {
         {1120, QVR_T("Operativsystemet uppfyller inte kraven.")},
         {1130,
          QVR_T("Den här programrättningen passar inte till den här versionen av Sentravault Solution - Keyminder.")},
         {1140, QVR_T("Sentravault Solution - Keyminder")},
         {1160, QVR_T("Programrättningen har installerats. Ändringarna verkställs när du startar om systemet.")},
         {1170, QVR_T("Den här programrättningen är redan installerad p?den här datorn.")},
         {1180, QVR_T("Sentravault Solution - Keyminder är inte installerat p?den här datorn.")},
         {1200, QVR_T("Ett okänt undantag har inträffat. Installationen av programrättningen misslyckades.")},
     }},
    {0x0804,  // Chinese (PRC)
     {
         {101, QVR_T("继续之前请先关闭所有带窗口的程序。")},
         {1120, QVR_T("该操作系统不符合要求。")},
         {1121, QVR_T("文件%s更新失败。")},
         {1122, QVR_T("程序%s将被终止，你保存了你的修改吗？")},
         {1130, QVR_T("该补丁不适用于此版本的 Sentravault Solution - Keyminder。")},
         {1140, QVR_T("Sentravault Solution - Keyminder")},
         {1160, QVR_T("该补丁的安装已完成。请重新启动系统以使更改生效。")},
         {1170, QVR_T("您已安装了该补丁。")},
         {1180, QVR_T("该计算机未安装 Sentravault Solution - Keyminder。")},
         {1200, QVR_T("出现未知异常，安装补丁失败。")},
     }},
    {0x0816,  // Portuguese (Portugal)
     {
         {1120, QVR_T("Este sistema operativo não corresponde aos requisitos.")},
         {1130, QVR_T("Esta correcção de código de programa não ?aplicável a esta versão do Sentravault Solution - "
                      "Keyminder.")},
         {1140, QVR_T("Sentravault Solution - Keyminder")},
         {1160, QVR_T("A instalação da correcção de código de programa foi concluída. Reinicie o sistema para activar "
                      "as alterações.")},
         {1170, QVR_T("Esta correcção de código de programa j?se encontra instalada neste computador.")},
         {1180, QVR_T("O Sentravault Solution - Keyminder não est?instalado neste computador.")},
         {1200, QVR_T("Ocorreu uma excepção desconhecida, a instalação da correcção de código de programa falhou.")},
     }},
    {0x0C0A,  // Spanish
     {
         {1120, QVR_T("Este sistema operativo no cumple con los requisitos.")},
         {1130, QVR_T("Este parche no se aplica a esta versión de Sentravault Solution - Keyminder.")},
         {1140, QVR_T("Sentravault Solution - Keyminder")},
         {1160, QVR_T("Se ha completado la instalación del parche. Reinicie el sistema para habilitar los cambios.")},
         {1170, QVR_T("Este parche ya se ha instalado en este sistema.")},
         {1180, QVR_T("Sentravault Solution - Keyminder no est?instalado en este sistema.")},
         {1200, QVR_T("Se ha producido una excepción desconocida y no se ha podido instalar el parche.")},
     }},
};

const Table& table(LANGID language)
{
    for (const Table& t : kTables)
        if (t.language == language)
            return t;
    throw std::invalid_argument("no such table");
}

// Windows looks strings up per block of 16 IDs. ID 101 is alone in its
// block, so a table without it falls back to English; 1121 and 1122 share
// their block with 1120 and 1130, so a table without them gives empty texts.
const UINT kIds[] = {101, 1120, 1121, 1122, 1130, 1140, 1160, 1170, 1180, 1200};

wstr expectedText(const Table& t, UINT id)
{
    auto it = t.texts.find(id);
    if (it != t.texts.end())
        return it->second;
    return id == 101 ? table(0x0409).texts.at(101) : wstr();
}

// A locale that a CTest entry starts the program in under Wine, the UI
// language Wine derives from it, and the table the platform's lookup gives
// that language: its own, else its primary language's neutral one, else
// English US.
struct LocaleCase {
    const char* szLocale;
    LANGID uiLanguage;
    LANGID table;
};

const LocaleCase kLocales[] = {
    {"C", 0x0409, 0x0409},
    {"de_DE", 0x0407, 0x0007},
    {"de_AT", 0x0C07, 0x0007},
    {"zh_TW", 0x0404, 0x0004},
    {"da_DK", 0x0406, 0x0406},
    {"fi_FI", 0x040B, 0x040B},
    {"fr_FR", 0x040C, 0x040C},
    {"it_IT", 0x0410, 0x0410},
    {"ja_JP", 0x0411, 0x0411},
    {"ko_KR", 0x0412, 0x0412},
    {"nl_NL", 0x0413, 0x0413},
    {"nb_NO", 0x0414, 0x0414},
    {"pt_BR", 0x0416, 0x0416},
    {"sv_SE", 0x041D, 0x041D},
    {"zh_CN", 0x0804, 0x0804},
    {"pt_PT", 0x0816, 0x0816},
    {"es_ES", 0x0C0A, 0x0C0A},
    // French exists only as French (France): Canadian French is no sub-language
    // of it for the lookup, which goes on to English.
    {"fr_CA", 0x0C0C, 0x0409},
};

class StringTableTest : public qvrtest::MachineTest {
protected:
    // The text of a string through a buffer of 1,024 sentinels (the library's
    // size), which must hold the text, its terminator, and nothing else.
    wstr load(UINT id, HINSTANCE hInstance = nullptr)
    {
        std::vector<WCHAR> buffer(1024, kSentinel);
        int cch = LoadStringW(hInstance, id, buffer.data(), static_cast<int>(buffer.size()));
        EXPECT_GE(cch, 0);
        if (cch < 0)
            return wstr();
        EXPECT_EQ(buffer[cch], 0) << id;
        EXPECT_EQ(buffer[cch + 1], kSentinel) << id;
        return wstr(buffer.data(), static_cast<size_t>(cch));
    }
};

TEST_F(StringTableTest, TheUserInterfaceLanguagePicksTheTable)
{
    std::vector<LocaleCase> cases;
    if (qvrtest::onSubstitute()) {
        cases.assign(std::begin(kLocales), std::end(kLocales));
        std::set<LANGID> reached;
        for (const LocaleCase& c : kLocales)
            reached.insert(c.table);
        EXPECT_EQ(reached.size(), sizeof kTables / sizeof kTables[0]) << "a table no locale reaches";
    } else {
        const char* szLocale = std::getenv("QVR_TEST_LOCALE");
        if (szLocale == nullptr)
            GTEST_SKIP() << "run by CTest, which names the locale in QVR_TEST_LOCALE";
        for (const LocaleCase& c : kLocales)
            if (std::strcmp(c.szLocale, szLocale) == 0)
                cases.push_back(c);
        ASSERT_EQ(cases.size(), 1u) << "no case for the locale " << szLocale;
    }

    for (const LocaleCase& c : cases) {
        SCOPED_TRACE(c.szLocale);
#ifndef _WIN32
        qvrsim::setUILanguage(c.uiLanguage);
#endif
        // Under Wine a locale that did not compile gives English silently.
        ASSERT_EQ(GetUserDefaultUILanguage(), c.uiLanguage);
        const Table& expected = table(c.table);
        for (UINT id : kIds)
            EXPECT_EQ(narrow(load(id)), narrow(expectedText(expected, id))) << id;
    }
}

// Run in English US (a reset substitute; Wine in the C locale).
TEST_F(StringTableTest, LoadStringCopiesCutsAndReports)
{
    ASSERT_EQ(GetUserDefaultUILanguage(), 0x0409);
    const wstr caption = W("Sentravault Solution - Keyminder");
    ASSERT_EQ(caption.size(), 32u);

    struct Row {
        const char* szWhat;
        UINT id;
        int cchBuffer;
        int result;
        size_t written;  // units written, terminator included
        DWORD error;
    };
    const Row rows[] = {
        {"room to spare", 1140, 100, 32, 33, kUntouched},
        {"exact fit", 1140, 33, 32, 33, kUntouched},
        {"cut to the buffer", 1140, 32, 31, 32, kUntouched},
        {"room for one unit", 1140, 2, 1, 2, kUntouched},
        {"room for the terminator only: nothing", 1140, 1, 0, 0, kUntouched},
        {"only the low word is the ID", 0x10000 + 1140, 100, 32, 33, kUntouched},
        {"empty in a block that exists", 1123, 100, 0, 1, kUntouched},
        {"empty, room for the terminator only", 1123, 1, 0, 0, kUntouched},
        {"no block holds the ID", 5000, 100, 0, 0, kResourceNameNotFound},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.szWhat);
        std::vector<WCHAR> buffer(128, kSentinel);
        SetLastError(kUntouched);
        EXPECT_EQ(LoadStringW(nullptr, row.id, buffer.data(), row.cchBuffer), row.result);
        EXPECT_EQ(GetLastError(), row.error);
        std::vector<WCHAR> expected(128, kSentinel);
        if (row.written > 0) {
            const wstr text = (row.id & 0xFFFF) == 1140 ? caption : wstr();
            std::copy(text.begin(), text.begin() + static_cast<long>(row.written - 1), expected.begin());
            expected[row.written - 1] = 0;
        }
        EXPECT_EQ(buffer, expected);
    }

    // A buffer size of 0: the buffer receives a read-only pointer to the text
    // inside the table (not terminated) and the result is its length.
    static const WCHAR kUnset[] = {0};
    const WCHAR* pText = kUnset;
    SetLastError(kUntouched);
    ASSERT_EQ(LoadStringW(nullptr, 1140, reinterpret_cast<LPWSTR>(&pText), 0), 32);
    EXPECT_EQ(narrow(wstr(pText, 32)), narrow(caption));
    pText = kUnset;
    EXPECT_EQ(LoadStringW(nullptr, 1123, reinterpret_cast<LPWSTR>(&pText), 0), 0);
    EXPECT_NE(pText, kUnset);
    EXPECT_EQ(GetLastError(), kUntouched);
    pText = kUnset;
    EXPECT_EQ(LoadStringW(nullptr, 5000, reinterpret_cast<LPWSTR>(&pText), 0), 0);
    EXPECT_EQ(pText, kUnset);
    EXPECT_EQ(GetLastError(), kResourceNameNotFound);

    // Without a buffer nothing is looked up.
    SetLastError(kUntouched);
    EXPECT_EQ(LoadStringW(nullptr, 5000, nullptr, 100), 0);
    EXPECT_EQ(GetLastError(), kUntouched);
}

TEST_F(StringTableTest, TheProgramsOwnModule)
{
    HMODULE hSelf = GetModuleHandleW(nullptr);
    ASSERT_NE(hSelf, nullptr);
    const wstr path = qvrtest::modulePath();
    wstr upper = path;
    for (WCHAR& ch : upper)
        if (ch >= 'a' && ch <= 'z')
            ch = static_cast<WCHAR>(ch - 32);
    const wstr name = path.substr(path.find_last_of(static_cast<WCHAR>('\\')) + 1);

    // By its path or its file name, in any case.
    SetLastError(kUntouched);
    EXPECT_EQ(GetModuleHandleW(path.c_str()), hSelf);
    EXPECT_EQ(GetModuleHandleW(upper.c_str()), hSelf);
    EXPECT_EQ(GetModuleHandleW(name.c_str()), hSelf);
    EXPECT_EQ(GetLastError(), kUntouched);
    // A name without extension means a DLL; the same name in another folder
    // is another module.
    for (const wstr& other : {qvrtest::moduleBaseName(), W("C:\\elsewhere\\") + name}) {
        SetLastError(kUntouched);
        EXPECT_EQ(GetModuleHandleW(other.c_str()), nullptr) << narrow(other);
        EXPECT_EQ(GetLastError(), kModNotFound);
    }

    WCHAR file[MAX_PATH];
    ASSERT_EQ(GetModuleFileNameW(hSelf, file, MAX_PATH), path.size());
    EXPECT_EQ(narrow(file), narrow(path));
    EXPECT_EQ(narrow(load(1140, hSelf)), "Sentravault Solution - Keyminder");

    // A handle that is no module.
    HMODULE hBogus = reinterpret_cast<HMODULE>(static_cast<uintptr_t>(0x12340000));
    SetLastError(kUntouched);
    EXPECT_EQ(GetModuleFileNameW(hBogus, file, MAX_PATH), 0u);
    EXPECT_EQ(GetLastError(), kModNotFound);
    std::vector<WCHAR> buffer(8, kSentinel);
    EXPECT_EQ(LoadStringW(hBogus, 1140, buffer.data(), static_cast<int>(buffer.size())), 0);
    EXPECT_EQ(GetLastError(), kResourceDataNotFound);
    EXPECT_EQ(buffer, std::vector<WCHAR>(8, kSentinel));

    // The substitute's fault switch reaches both calls; Wine cannot fail them.
    if (qvrtest::failNext("GetModuleHandleW", ERROR_ACCESS_DENIED)) {
        EXPECT_EQ(GetModuleHandleW(nullptr), nullptr);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
        qvrtest::failNext("LoadStringW", ERROR_NOT_ENOUGH_MEMORY);
        EXPECT_EQ(LoadStringW(nullptr, 1140, buffer.data(), static_cast<int>(buffer.size())), 0);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
        EXPECT_EQ(buffer, std::vector<WCHAR>(8, kSentinel));
        EXPECT_EQ(GetModuleHandleW(nullptr), hSelf);
    }
}

}  // namespace

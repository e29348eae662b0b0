// Tests of the code page guess on a labelled set of tag texts made here, and on Latin-1.
#include "features/encoding/code_page_guess.h"
#include "platform/code_pages.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <random>

namespace {

struct Language {
    const char* codePage; // what the texts are written in
    std::vector<const char*> words;
};

// Words and phrases of tags in each language, as UTF-8; a file's texts are drawn from them.
const std::vector<Language>& languages()
{
    static const std::vector<Language> all = {
        {"cp1251", {"Кино", "Группа крови", "Звезда по имени Солнце", "Алла Пугачёва", "Миллион алых роз",
                    "Любэ", "Комбат", "Ночные снайперы", "Земфира", "Сплин", "Выхода нет", "Аквариум",
                    "Город золотой", "Мумий Тролль", "Владивосток 2000", "Чайф", "Ой-йо", "ДДТ", "Осень",
                    "Король и Шут", "Лесник", "Песня", "Лучшие хиты", "Живой концерт", "Ария", "Беспечный ангел",
                    "Наутилус Помпилиус", "Прогулки по воде", "Сборник", "Дискотека 90-х", "Зима", "Україна"}},
        {"cp1250", {"Wojciech Młynarski", "Jeszcze w zielone gramy", "Czesław Niemen", "Dziwny jest ten świat",
                    "Łzy", "Kołysanka", "Złota kolekcja", "Przeżyj to sam", "Mój jest ten kawałek podłogi", "Kocham cię kochanie moje",
                    "Bądź moim natchnieniem", "Zawsze tam gdzie ty będziesz", "Být stále mlád", "Včelka Mája", "Přítel", "Žlutá",
                    "Hana Hegerová", "Čechomor", "Největší hity", "Mořská panna", "Těšínská", "Ďábel",
                    "Kőbánya", "Zorán Sztevanovity", "Ómega együttes", "Gyöngyhajú lány", "Szőke nő", "Đorđe Balašević",
                    "Ružica", "Šta će mi život", "Ljubav", "Sláva"}},
        {"cp1252", {"L’été indien", "Joe Dassin", "« Ne me quitte pas »", "Jacques Brel – Live", "Œuvres complètes",
                    "Don’t Stop", "Café del Mar – Vol. 5", "Müller’s „Lieder“", "Señor – Volumen 2", "Édith Piaf…",
                    "Les “Feuilles mortes”", "Cœur de pirate", "Björk — Homogenic", "Mozart™ Klassik",
                    "Vivaldi – Le quattro stagioni", "Ça plane pour moi", "It’s a Sin", "Déjà vu – Remix",
                    "Über alles — Teil 2", "João Gilberto – Chega de Saudade", "Anne Sofie von Otter • Lieder",
                    "Piñata – 2’30”", "Ève’s song", "Señorita – Remaster", "Noël – Chansons",
                    "Sœur Sourire", "Les Œufs", "Ñandú – €5", "Naïve – Don’t", "Fête ‘94’", "Hôtel „Lux“", "Ópera…"}},
        {"cp1253", {"Μίκης Θεοδωράκης", "Ζορμπάς", "Νίκος Ξυλούρης", "Άννα Βίσση", "Σαγαπώ", "Ελλάδα",
                    "Τα παιδιά του Πειραιά", "Μελίνα Μερκούρη", "Χαρούλα Αλεξίου", "Γιώργος Νταλάρας",
                    "Ζωντανή ηχογράφηση", "Καλύτερα τραγούδια", "Βασίλης Παπακωνσταντίνου", "Μαρινέλλα",
                    "Νύχτα", "Θάλασσα", "Έρωτας", "Αγάπη μου", "Δήμητρα Γαλάνη", "Σωκράτης Μάλαμας",
                    "Ρεμπέτικο", "Μπουζούκι", "Καλοκαίρι", "Στέλιος Καζαντζίδης", "Παλιά τραγούδια",
                    "Σαββόπουλος", "Ήλιος", "Όνειρο", "Πατρίδα", "Ζωή", "Φεγγάρι", "Χορός"}},
        {"gbk", {"周杰伦", "七里香", "王菲", "红豆", "邓丽君", "月亮代表我的心", "张学友", "吻别", "刘德华",
                 "忘情水", "陈奕迅", "十年", "林俊杰", "江南", "孙燕姿", "遇见", "五月天", "倔强", "蔡依林",
                 "日不落", "王力宏", "唯一", "那英", "征服", "朴树", "平凡之路", "许巍", "蓝莲花", "汪峰",
                 "春天里", "经典老歌", "精选集"}},
        {"big5", {"周杰倫", "七里香", "王菲", "紅豆", "鄧麗君", "月亮代表我的心", "張學友", "吻別", "劉德華",
                  "忘情水", "陳奕迅", "十年", "林俊傑", "江南", "孫燕姿", "遇見", "五月天", "倔強", "蔡依林",
                  "日不落", "王力宏", "唯一", "伍佰", "挪威的森林", "張惠妹", "聽海", "羅大佑", "童年",
                  "蘇打綠", "小情歌", "經典老歌", "精選輯"}},
        {"shift_jis", {"宇多田ヒカル", "ファースト・ラブ", "浜崎あゆみ", "シーズンズ", "中島みゆき", "時代",
                       "サザンオールスターズ", "いとしのエリー", "スピッツ", "ロビンソン", "ミスターチルドレン",
                       "名もなき詩", "安室奈美恵", "ドリームズカムトゥルー", "未来予想図", "美空ひばり",
                       "川の流れのように", "坂本九", "上を向いて歩こう", "松任谷由実", "卒業写真", "槇原敬之",
                       "世界に一つだけの花", "ベスト・アルバム", "東京", "夜空ノムコウ", "さくら", "桜坂",
                       "福山雅治", "ライブ", "初恋", "海の声"}},
        {"euc-kr", {"방탄소년단", "봄날", "아이유", "좋은 날", "빅뱅", "거짓말", "소녀시대", "다시 만난 세계",
                    "서태지와 아이들", "난 알아요", "이문세", "광화문 연가", "조용필", "단발머리", "김광석",
                    "서른 즈음에", "신승훈", "보이지 않는 사랑", "동방신기", "주문", "트와이스", "우아하게",
                    "에픽하이", "우산", "싸이", "강남스타일", "버스커 버스커", "벚꽃 엔딩", "임재범", "고해",
                    "베스트 앨범", "사랑"}},
        {"utf-8", {"Пачка сигарет", "Ελλάδα", "周杰伦", "Édith Piaf", "Björk", "Дискотека", "Łzy", "東京",
                   "Жизнь", "Αγάπη", "Müller", "Señor", "방탄소년단", "Čechomor", "Кино", "Zorán",
                   "La Bohème", "Sigur Rós", "Øystein", "Göteborg", "Ça plane", "Père", "Straße", "Ñandú",
                   "Crème brûlée", "Fête", "Mañana", "Ålesund", "Ærø", "Nörd", "Mötley Crüe", "Håkan"}},
    };
    return all;
}

// Genuine ISO-8859-1 texts: French, German, Spanish, Portuguese, Italian and the Nordic languages.
const std::vector<const char*>& latin1Words()
{
    static const std::vector<const char*> words = {
        "Édith Piaf", "Non, je ne regrette rien", "Françoise Hardy", "Été indien", "Les Misérables", "Ça",
        "Où est la plage?", "Père Lachaise", "Noël", "Die Ärzte", "Schrei nach Liebe", "Grönemeyer",
        "Männer", "Über den Wolken", "Straße", "Fräulein", "Größte Erfolge", "Für Elise", "Königin der Nacht",
        "Mañana", "¿Dónde estás?", "¡Olé!", "Corazón espinado", "Canción", "Niño", "Señor", "Ñu",
        "João Gilberto", "Coração", "Ação", "Saudade", "Águas de março", "Canções", "Música", "Tropicália",
        "Björk", "Jóga", "Sigur Rós", "Ágætis byrjun", "Hoppípolla", "Þú", "Æ", "Øystein", "Ålesund", "Håkan",
        "Hellström", "Kärlek", "Sjöström", "Färjan", "Mötley Crüe", "Blåbær", "Smørrebrød", "Kjærlighet",
        "Più bella cosa", "Perché", "Città", "È l'amore", "Crème brûlée", "Déjà vu", "Naïve", "Hôtel",
        "Nº 5", "1º de Maio", "Año 2000", "« Liberté »", "Café", "Zürich", "Señorita", "Fábrica", "Ópera",
    };
    return words;
}

std::string encoded(const char* utf8, const std::string& codePage)
{
    std::string bytes;
    if (codePage == "utf-8")
        return utf8;
    const std::string name = codePage == "shift_jis" ? "SHIFT_JIS" : codePage;
    EXPECT_TRUE(platform::encodeCodePage(utf8, name, bytes)) << utf8 << " in " << codePage;
    return bytes;
}

} // namespace

TEST(CodePageGuess, LabelledTagTextsAreGuessedRight)
{
    std::mt19937 random(33);
    std::map<std::string, std::pair<int, int>> byPage; // right, asked
    int right = 0, asked = 0;
    for (const Language& language : languages())
        for (int file = 0; file < 60; ++file) {
            // A file's title, artist and album.
            std::vector<std::string> texts, words;
            for (int i = 0; i < 3; ++i) {
                words.push_back(language.words[random() % language.words.size()]);
                texts.push_back(encoded(words.back().c_str(), language.codePage));
            }
            const std::optional<CodePageGuess> guess = guessCodePage(texts);
            const bool ok = guess && guess->codePage == language.codePage;
            if (!ok)
                std::printf("missed %s as %s: %s\n", language.codePage, guess ? guess->codePage.c_str() : "none",
                            (words[0] + " / " + words[1] + " / " + words[2]).c_str());
            right += ok;
            ++asked;
            auto& page = byPage[language.codePage];
            page.first += ok;
            ++page.second;
        }
    for (const auto& [page, counts] : byPage)
        std::printf("%-10s %d of %d right\n", page.c_str(), counts.first, counts.second);
    std::printf("first guess right: %d of %d (%.1f%%)\n", right, asked, 100.0 * right / asked);
    EXPECT_GE(right * 100, asked * 95);
}

TEST(CodePageGuess, GenuineLatin1IsNeverFlagged)
{
    std::mt19937 random(1);
    const auto& words = latin1Words();
    int flagged = 0;
    for (int n = 0; n < 1000; ++n) {
        std::string text = words[random() % words.size()];
        if (n % 2)
            text += std::string(" ") + words[random() % words.size()];
        const std::optional<CodePageGuess> guess = guessCodePage({encoded(text.c_str(), "ISO-8859-1")});
        if (guess)
            std::printf("flagged as %s: %s\n", guess->codePage.c_str(), text.c_str());
        flagged += guess.has_value();
    }
    std::printf("genuine Latin-1 texts flagged: %d of 1000\n", flagged);
    EXPECT_EQ(0, flagged);
}

TEST(CodePageGuess, CodePageNamesInTheirCommonSpellings)
{
    EXPECT_EQ("cp1251", codePageNamed("Windows-1251"));
    EXPECT_EQ("shift_jis", codePageNamed("SJIS"));
    EXPECT_EQ("ISO-8859-4", codePageNamed("ISO-8859-4")) << "one the converter knows passes as it is";
    EXPECT_FALSE(codePageNamed("no-such-page"));
    EXPECT_FALSE(guessCodePage({"plain ASCII", ""}));
}

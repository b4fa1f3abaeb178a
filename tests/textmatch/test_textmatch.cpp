// The text matcher: folding, pinyin, herb aliases and the forbidden pairs of herbs.
#include "textmatch/aliases.h"
#include "textmatch/fold.h"
#include "textmatch/incompatibility.h"
#include "textmatch/pinyin.h"
#include "textmatch/tables.h"

#include <QTest>

#include <algorithm>

using namespace fangji::textmatch;

class TestTextMatch : public QObject {
    Q_OBJECT

private slots:
    void fold_toSimplified_data();
    void fold_toSimplified();
    void fold_twiceChangesNothingMore();
    void fold_keepsWhatIsNoCharacter();
    void variants_leadBackToTheirCharacter();

    void pinyin_contains_data();
    void pinyin_contains();
    void pinyin_readings_data();
    void pinyin_readings();
    void latinCriterion_data();
    void latinCriterion();

    void aliases_canonical_data();
    void aliases_canonical();
    void aliases_mentioned_data();
    void aliases_mentioned();

    void incompatibility_pairs_data();
    void incompatibility_pairs();
};

void TestTextMatch::fold_toSimplified_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("folded");
    QTest::newRow("traditional name") << u"桂枝湯"_qs << u"桂枝汤"_qs;
    QTest::newRow("already simplified") << u"桂枝汤"_qs << u"桂枝汤"_qs;
    QTest::newRow("herb") << u"麻黃"_qs << u"麻黄"_qs;
    QTest::newRow("old form of 术") << u"白朮"_qs << u"白术"_qs;
    QTest::newRow("ginger") << u"乾薑"_qs << u"干姜"_qs;
    QTest::newRow("aconite") << u"烏頭"_qs << u"乌头"_qs;
    QTest::newRow("Extension A target") << u"芎藭"_qs << u"芎䓖"_qs;
    QTest::newRow("Latin and punctuation stay") << u"Ab，1。"_qs << u"Ab，1。"_qs;
    QTest::newRow("unpaired surrogate stays") << QString(QChar(0xd800)) + u"湯"_qs << QString(QChar(0xd800)) + u"汤"_qs;
}

void TestTextMatch::fold_toSimplified() {
    QFETCH(QString, text);
    QFETCH(QString, folded);
    QCOMPARE(fold(text), folded);
    if (std::none_of(text.begin(), text.end(), [](QChar c) { return c.isSurrogate(); })) {
        // The engine's texts are UTF-8, where no unpaired surrogate can stand.
        std::string out;
        foldUtf8(text.toStdString(), out);
        QCOMPARE(QString::fromStdString(out), folded);
        QCOMPARE(containsFoldable(text.toStdString()), text != folded);
    }
}

void TestTextMatch::fold_twiceChangesNothingMore() {
    // Every character the table changes lands on one that it leaves alone.
    int changed = 0;
    for (char32_t c = 0x3400; c < 0x30000; ++c) {
        const char32_t f = foldChar(c);
        if (f != c) {
            ++changed;
            QVERIFY2(foldChar(f) == f, qPrintable(QString::number(c, 16)));
        }
    }
    QVERIFY(changed > 2000);
}

void TestTextMatch::fold_keepsWhatIsNoCharacter() {
    // Bytes that are no UTF-8 come back as they were.
    const std::string broken = std::string("\xff") + "湯" + "\xe6\xb1";
    std::string out;
    foldUtf8(broken, out);
    QCOMPARE(QByteArray::fromStdString(out), QByteArray("\xff") + QByteArray("汤") + QByteArray("\xe6\xb1"));
}

void TestTextMatch::variants_leadBackToTheirCharacter() {
    const auto& v = variantsOf(U'汤');
    QVERIFY(std::find(v.begin(), v.end(), U'湯') != v.end());
    for (char32_t c : variantsOf(U'黄')) {
        QCOMPARE(foldChar(c), U'黄');
    }
    QVERIFY(variantsOf(U'桂').empty());
}

void TestTextMatch::pinyin_contains_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("letters");
    QTest::addColumn<bool>("match");
    QTest::newRow("initials") << u"桂枝汤"_qs << u"gzt"_qs << true;
    QTest::newRow("initials inside") << u"柴胡桂枝汤"_qs << u"gzt"_qs << true;
    QTest::newRow("initials wrong") << u"桂枝汤"_qs << u"gzx"_qs << false;
    QTest::newRow("initials out of order") << u"桂枝汤"_qs << u"tzg"_qs << false;
    QTest::newRow("full pinyin") << u"桂枝汤"_qs << u"guizhitang"_qs << true;
    QTest::newRow("full pinyin, last cut short") << u"桂枝汤"_qs << u"guizhit"_qs << true;
    QTest::newRow("one syllable cut short") << u"桂枝汤"_qs << u"gu"_qs << true;
    QTest::newRow("full pinyin, one letter too many") << u"桂枝汤"_qs << u"guizhitangx"_qs << false;
    QTest::newRow("starts inside a syllable: no") << u"桂枝汤"_qs << u"uizhi"_qs << false;
    QTest::newRow("initials and syllables mixed: no") << u"桂枝汤"_qs << u"guizt"_qs << false;
    QTest::newRow("traditional text") << u"桂枝湯"_qs << u"gzt"_qs << true;
    QTest::newRow("traditional text, full") << u"麻黃湯"_qs << u"mahuangtang"_qs << true;
    QTest::newRow("polyphone, common reading") << u"人参"_qs << u"rs"_qs << true;
    QTest::newRow("polyphone, other reading") << u"参加"_qs << u"canjia"_qs << true;
    QTest::newRow("polyphone 重楼 chong") << u"重楼"_qs << u"chonglou"_qs << true;
    QTest::newRow("polyphone 重楼 zhong") << u"重楼"_qs << u"zhonglou"_qs << true;
    QTest::newRow("polyphone 白术 zhu") << u"白术"_qs << u"baizhu"_qs << true;
    QTest::newRow("polyphone 厚朴 po") << u"厚朴"_qs << u"houpo"_qs << true;
    QTest::newRow("polyphone 阿胶 e") << u"阿胶"_qs << u"ejiao"_qs << true;
    QTest::newRow("herb reading from the list: 荜茇 bibo") << u"荜茇"_qs << u"bibo"_qs << true;
    QTest::newRow("herb reading from the list: initials") << u"荜茇"_qs << u"bb"_qs << true;
    QTest::newRow("ü as v") << u"女贞子"_qs << u"nvzhenzi"_qs << true;
    QTest::newRow("ü as u") << u"女贞子"_qs << u"nuzhenzi"_qs << true;
    QTest::newRow("ü in lüe") << u"略"_qs << u"lve"_qs << true;
    QTest::newRow("punctuation ends a run") << u"桂枝，芍药"_qs << u"gzsy"_qs << false;
    QTest::newRow("run after punctuation") << u"桂枝，芍药"_qs << u"shaoyao"_qs << true;
    QTest::newRow("digits end a run") << u"桂枝9克"_qs << u"gzk"_qs << false;
    QTest::newRow("Latin letters of the text count") << u"维生素C片"_qs << u"wsscp"_qs << true;
    QTest::newRow("empty text") << QString() << u"g"_qs << false;
    QTest::newRow("not letters") << u"桂枝汤"_qs << u"g1"_qs << false;
}

void TestTextMatch::pinyin_contains() {
    QFETCH(QString, text);
    QFETCH(QString, letters);
    QFETCH(bool, match);
    QCOMPARE(pinyinContains(text.toStdString(), letters.toStdString()), match);
}

void TestTextMatch::pinyin_readings_data() {
    QTest::addColumn<QString>("character");
    QTest::addColumn<QString>("reading");
    QTest::newRow("术 zhu") << u"术"_qs << u"zhu"_qs;
    QTest::newRow("术 shu") << u"术"_qs << u"shu"_qs;
    QTest::newRow("朴 po") << u"朴"_qs << u"po"_qs;
    QTest::newRow("参 shen") << u"参"_qs << u"shen"_qs;
    QTest::newRow("重 chong") << u"重"_qs << u"chong"_qs;
    QTest::newRow("阿 e") << u"阿"_qs << u"e"_qs;
    // Unihan gives 茇 only bá, fèi and pèi; the herb list adds the 荜茇 reading.
    QTest::newRow("茇 bo (herb list)") << u"茇"_qs << u"bo"_qs;
    QTest::newRow("绿 lv") << u"绿"_qs << u"lv"_qs;
    QTest::newRow("绿 lu") << u"绿"_qs << u"lu"_qs;
    QTest::newRow("traditional 湯") << u"湯"_qs << u"tang"_qs;
}

void TestTextMatch::pinyin_readings() {
    QFETCH(QString, character);
    QFETCH(QString, reading);
    const std::vector<std::string> readings = readingsOf(character.toUcs4().first());
    QVERIFY2(std::find(readings.begin(), readings.end(), reading.toStdString()) != readings.end(),
             qPrintable(character));
}

void TestTextMatch::latinCriterion_data() {
    QTest::addColumn<QString>("criterion");
    QTest::addColumn<bool>("latin");
    QTest::newRow("initials") << u"gzt"_qs << true;
    QTest::newRow("upper case") << u"GZT"_qs << true;
    QTest::newRow("empty") << QString() << false;
    QTest::newRow("with a star") << u"gz*t"_qs << false;
    QTest::newRow("with a digit") << u"gz1"_qs << false;
    QTest::newRow("with a blank") << u"gz t"_qs << false;
    QTest::newRow("Chinese") << u"桂枝"_qs << false;
    QTest::newRow("full-width letters") << u"ｇｚｔ"_qs << false;
}

void TestTextMatch::latinCriterion() {
    QFETCH(QString, criterion);
    QFETCH(bool, latin);
    QCOMPARE(isLatinCriterion(QStringView(criterion)), latin);
    QCOMPARE(isLatinCriterion(std::string_view(criterion.toStdString())), latin);
}

void TestTextMatch::aliases_canonical_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("canonical");
    QTest::newRow("黄耆") << u"黄耆30克"_qs << u"黄芪30克"_qs;
    QTest::newRow("traditional 黃耆") << u"黃耆"_qs << u"黄芪"_qs;
    QTest::newRow("栝楼") << u"栝楼，薤白"_qs << u"瓜蒌，薤白"_qs;
    QTest::newRow("longest name: 栝楼根") << u"栝楼根"_qs << u"天花粉"_qs;
    QTest::newRow("芎䓖") << u"芎䓖"_qs << u"川芎"_qs;
    QTest::newRow("traditional 芎藭") << u"芎藭"_qs << u"川芎"_qs;
    QTest::newRow("first name stays") << u"黄芪"_qs << u"黄芪"_qs;
    QTest::newRow("longest name: 牡丹皮 is not 牡 + 丹皮") << u"牡丹皮"_qs << u"牡丹皮"_qs;
    QTest::newRow("丹皮") << u"丹皮"_qs << u"牡丹皮"_qs;
    QTest::newRow("首乌藤 is not 首乌 + 藤") << u"首乌藤"_qs << u"首乌藤"_qs;
    QTest::newRow("首乌") << u"首乌"_qs << u"何首乌"_qs;
    QTest::newRow("生地榆 is not 生地 + 榆") << u"生地榆"_qs << u"地榆"_qs;
    QTest::newRow("no herb of the table") << u"桂枝，甘草"_qs << u"桂枝，甘草"_qs;
}

void TestTextMatch::aliases_canonical() {
    QFETCH(QString, text);
    QFETCH(QString, canonical);
    QCOMPARE(canonicalHerbs(text), canonical);
}

void TestTextMatch::aliases_mentioned_data() {
    QTest::addColumn<QString>("criterion");
    QTest::addColumn<bool>("mentioned");
    QTest::newRow("alias") << u"黄耆"_qs << true;
    QTest::newRow("first name") << u"黄芪"_qs << true;
    QTest::newRow("inside a longer criterion") << u"炙黄芪"_qs << true;
    QTest::newRow("part of a name") << u"芪"_qs << false;
    QTest::newRow("herb without aliases") << u"甘草"_qs << false;
    // 朮/术 and 薑/姜 fold alike already: the table adds nothing for them.
    QTest::newRow("folding does it: 术") << u"苍朮"_qs << false;
    QTest::newRow("folding does it: 姜") << u"生姜"_qs << false;
}

void TestTextMatch::aliases_mentioned() {
    QFETCH(QString, criterion);
    QFETCH(bool, mentioned);
    QCOMPARE(mentionsAliasedHerb(criterion), mentioned);
}

void TestTextMatch::incompatibility_pairs_data() {
    QTest::addColumn<QString>("composition");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("甘草 with 甘遂") << u"甘遂3克，甘草6克。"_qs << QStringList{u"甘草 反 甘遂"_qs};
    QTest::newRow("甘草 with 海藻, 大戟, 芫花")
        << u"海藻，京大戟，芫花，炙甘草。"_qs
        << QStringList{u"炙甘草 反 海藻"_qs, u"炙甘草 反 京大戟"_qs, u"炙甘草 反 芫花"_qs};
    QTest::newRow("制川乌 with 法半夏") << u"制川乌，法半夏。"_qs << QStringList{u"制川乌 反 法半夏"_qs};
    QTest::newRow("烏頭 with 半夏, folded") << u"烏頭，半夏。"_qs << QStringList{u"乌头 反 半夏"_qs};
    QTest::newRow("附子 with 半夏") << u"附子，半夏"_qs << QStringList{u"附子 反 半夏"_qs};
    QTest::newRow("白附子 is not 附子") << u"白附子，半夏，天南星。"_qs << QStringList{};
    QTest::newRow("附子 beside 白附子") << u"白附子，附子，半夏。"_qs << QStringList{u"附子 反 半夏"_qs};
    QTest::newRow("栝楼 is 瓜蒌") << u"附子，栝楼。"_qs << QStringList{u"附子 反 瓜蒌"_qs};
    QTest::newRow("贝母 and 白蔹, 白及") << u"川乌，川贝母，白蔹，白芨。"_qs
                                         << QStringList{u"川乌 反 川贝母"_qs, u"川乌 反 白蔹"_qs, u"川乌 反 白及"_qs};
    QTest::newRow("土贝母 is not 贝母") << u"川乌，土贝母。"_qs << QStringList{};
    QTest::newRow("藜芦 with 元参 and 赤芍")
        << u"藜芦，元参，赤芍药，细辛。"_qs << QStringList{u"藜芦 反 玄参"_qs, u"藜芦 反 细辛"_qs, u"藜芦 反 赤芍"_qs};
    QTest::newRow("明党参 is not 党参") << u"藜芦，明党参。"_qs << QStringList{};
    QTest::newRow("人参: 反 and 畏") << u"人参，五灵脂，藜芦。"_qs
                                     << QStringList{u"藜芦 反 人参"_qs, u"人参 畏 五灵脂"_qs};
    QTest::newRow("十九畏: 硫黄 and 芒硝") << u"硫黄，芒硝。"_qs << QStringList{u"硫黄 畏 芒硝"_qs};
    QTest::newRow("十九畏: 官桂 and 赤石脂") << u"官桂，赤石脂。"_qs << QStringList{u"肉桂 畏 赤石脂"_qs};
    QTest::newRow("十九畏: 丁香 and 郁金") << u"公丁香，郁金。"_qs << QStringList{u"公丁香 畏 郁金"_qs};
    QTest::newRow("十九畏: 巴豆 and 黑丑") << u"巴豆霜，黑丑。"_qs << QStringList{u"巴豆霜 畏 牵牛子"_qs};
    QTest::newRow("十九畏: 牙硝 and 三棱") << u"牙硝，京三棱。"_qs << QStringList{u"牙硝 畏 三棱"_qs};
    QTest::newRow("十九畏: 草乌 and 犀角") << u"草乌，犀角。"_qs << QStringList{u"草乌 畏 犀角"_qs};
    QTest::newRow("one herb twice, one line") << u"甘草，甘遂，甘草。"_qs << QStringList{u"甘草 反 甘遂"_qs};
    QTest::newRow("桂枝汤: none") << u"桂枝，芍药，甘草，生姜，大枣。"_qs << QStringList{};
    QTest::newRow("甘草 alone: none") << u"甘草"_qs << QStringList{};
    QTest::newRow("empty: none") << QString() << QStringList{};
}

void TestTextMatch::incompatibility_pairs() {
    QFETCH(QString, composition);
    QFETCH(QStringList, lines);
    QCOMPARE(incompatibilityLines(composition), lines);
}

QTEST_APPLESS_MAIN(TestTextMatch)
#include "test_textmatch.moc"

#include "corpus.h"

#include "store/schema.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace fangji::bench {

namespace {

QStringList words(const char* text) {
    return QString::fromUtf8(text).split(u' ', Qt::SkipEmptyParts);
}

struct Vocabulary {
    QStringList names = words(
        "桂枝汤 麻黄汤 小柴胡汤 大柴胡汤 四君子汤 四物汤 八珍汤 十全大补汤 六味地黄丸 金匮肾气丸 补中益气汤 归脾汤 "
        "逍遥散 血府逐瘀汤 银翘散 桑菊饮 白虎汤 大承气汤 小承气汤 调胃承气汤 理中丸 四逆汤 真武汤 五苓散 猪苓汤 "
        "二陈汤 温胆汤 半夏泻心汤 黄连解毒汤 龙胆泻肝汤 清营汤 犀角地黄汤 普济消毒饮 仙方活命饮 玉屏风散 生脉散 "
        "参苓白术散 香砂六君子汤 保和丸 枳实导滞丸 天王补心丹 酸枣仁汤 朱砂安神丸 天麻钩藤饮 镇肝熄风汤 羚角钩藤汤 "
        "独活寄生汤 羌活胜湿汤 九味羌活汤 川芎茶调散 止嗽散 杏苏散 桑杏汤 清燥救肺汤 麦门冬汤 百合固金汤 养阴清肺汤 "
        "小青龙汤 定喘汤 苏子降气汤 旋覆代赭汤 吴茱萸汤 当归四逆汤 黄芪桂枝五物汤 温经汤 生化汤 桃核承气汤 "
        "补阳还五汤 复元活血汤 失笑散 丹参饮 越鞠丸 柴胡疏肝散 四逆散 痛泻要方 藿香正气散 三仁汤 茵陈蒿汤 八正散 "
        "萆薢分清饮 完带汤 易黄汤 固冲汤 左归丸 右归丸 大补阴丸 一贯煎 地黄饮子 消风散 当归六黄汤 牡蛎散 "
        "四神丸 真人养脏汤 金锁固精丸 缩泉丸 桑螵蛸散 乌梅丸 大建中汤 小建中汤 黄土汤 咳血方 小蓟饮子 十灰散");
    QStringList nameModifiers = words("_ 加味 加减 新订 化裁 改良 经验 简化");
    QStringList herbs = words(
        "桂枝 芍药 甘草 生姜 大枣 麻黄 杏仁 石膏 知母 粳米 人参 白术 茯苓 半夏 陈皮 当归 川芎 熟地黄 生地黄 "
        "黄芪 柴胡 黄芩 黄连 黄柏 栀子 大黄 芒硝 枳实 厚朴 干姜 附子 细辛 五味子 桔梗 防风 荆芥 羌活 独活 薄荷 "
        "连翘 金银花 牛蒡子 淡竹叶 淡豆豉 葛根 升麻 白芷 川贝母 浙贝母 瓜蒌 竹茹 枳壳 木香 砂仁 香附 乌药 延胡索 "
        "川楝子 丹参 红花 桃仁 赤芍 牡丹皮 玄参 麦冬 天冬 沙参 玉竹 石斛 山药 山茱萸 泽泻 车前子 木通 滑石 猪苓 "
        "薏苡仁 苍术 藿香 佩兰 白豆蔻 草果 神曲 山楂 麦芽 莱菔子 鸡内金 酸枣仁 远志 柏子仁 龙骨 牡蛎 磁石 天麻 "
        "钩藤 石决明 全蝎 蜈蚣 地龙 僵蚕 蝉蜕 菊花 桑叶 蔓荆子 夏枯草 决明子 龙胆草 蒲公英 紫花地丁 板蓝根 大青叶 "
        "射干 牛膝 杜仲 续断 桑寄生 菟丝子 枸杞子 女贞子 墨旱莲 何首乌 阿胶 白芍 鹿角胶 龟板 鳖甲 肉桂 吴茱萸 "
        "小茴香 丁香 高良姜 艾叶 三七 蒲黄 五灵脂 乳香 没药 益母草 泽兰 威灵仙 秦艽 防己 木瓜 桑枝 茵陈 金钱草 "
        "虎杖 海金沙 石韦 萆薢 地肤子 白鲜皮 苦参 蛇床子");
    QList<int> doses{3, 5, 6, 9, 9, 10, 12, 12, 15, 18, 20, 24, 30};
    QStringList herbNotes = words("先煎 后下 包煎 烊化 冲服 炒 炙 酒洗");
    QStringList effects =
        words("清热解毒 消肿止痛 解肌发表 调和营卫 发汗解表 宣肺平喘 清热生津 益气健脾 补气生血 疏肝解郁 养血调经 "
              "活血化瘀 行气止痛 温中散寒 回阳救逆 燥湿化痰 理气和中 清热燥湿 泻火解毒 滋阴降火 补肾填精 温补肾阳 "
              "滋补肝肾 养心安神 重镇安神 平肝息风 清肝明目 疏风散热 辛凉透表 辛温解表 化痰止咳 降气平喘 润肺止咳 "
              "清肺化痰 消食导滞 健脾和胃 和解少阳 内泻热结 峻下热结 润肠通便 利水渗湿 温阳化气 清热利湿 利湿退黄 "
              "凉血止血 收敛止血 益气固表 敛汗止汗 涩肠止泻 固精缩尿 祛风除湿 通络止痛 舒筋活络 补益气血 益气养阴 "
              "生津止渴 清营透疹 凉血散瘀 清热凉血 祛暑化湿 芳香化湿 温经散寒 养血活血 破血逐瘀 软坚散结 化痰散结 "
              "消痈排脓 理气宽胸 通阳散结 降逆止呕 和胃降逆 温肺化饮 散寒止痛 清心开窍 升阳举陷 补中益气 健脾利湿 "
              "养阴清肺 滋阴润燥 疏散风热 透邪解郁 温补脾肾 宁心安神 息风止痉 祛风止痒 调经 止痛 安神 止咳 化痰");
    QStringList syndromes =
        words("外感风寒表虚证 外感风寒表实证 风热犯肺证 少阳病证 阳明腑实证 脾胃气虚证 中焦虚寒证 肝郁血虚证 "
              "气滞血瘀证 肝肾阴虚证 肾阳不足证 心脾两虚证 痰湿咳嗽 湿热黄疸 暑湿证 血虚证 气血两虚证 热毒壅盛证 "
              "阴虚火旺证 寒凝经脉证 肝阳上亢证 肝经湿热证 痰热内扰证 胃气上逆证 食积停滞证 脾虚泄泻 肺燥咳嗽 "
              "风湿痹证 瘀阻胞宫证 冲任虚寒证 气虚下陷证 卫表不固证 温病气分热盛证 热入营分证");
    QStringList symptoms =
        words("头痛 发热 恶寒 汗出 恶风 鼻塞 流涕 咳嗽 气喘 痰多色白 痰黄黏稠 咽喉肿痛 口渴 口苦 咽干 目眩 胸胁苦满 "
              "往来寒热 心烦喜呕 不欲饮食 脘腹胀满 脘腹疼痛 嗳气吞酸 恶心呕吐 大便秘结 大便溏薄 泄泻 小便不利 小便短赤 "
              "水肿 身重 肢体困倦 神疲乏力 少气懒言 面色萎黄 心悸 失眠 多梦 健忘 头晕 耳鸣 腰膝酸软 遗精 盗汗 五心烦热 "
              "潮热 手足不温 畏寒肢冷 月经不调 痛经 经闭 崩漏 带下量多 胸痛 胁痛 关节疼痛 肢体麻木 半身不遂 抽搐 "
              "神昏谵语 高热 斑疹隐隐 吐血 衄血 便血 尿血 身目发黄 疮疡肿毒 皮肤瘙痒 鼻鸣干呕 无汗而喘 烦躁 口舌生疮 "
              "牙龈肿痛 目赤肿痛 食少纳呆 腹痛喜按 久泻不止 自汗 气短 咳痰带血 胸闷 喘促");
    QStringList tongues = words("舌淡苔白 舌红少苔 苔黄腻 苔白腻 舌质紫暗 舌淡红苔薄白 舌红苔黄 舌淡胖有齿痕");
    QStringList pulses = words("脉浮缓 脉浮紧 脉沉细 脉弦数 脉滑数 脉细弱 脉沉迟 脉洪大 脉细数 脉弦细 脉濡缓");
    QStringList asides = words("亦治产后发热 兼见咳嗽者 小儿亦可用 本证多见于夏季 见于热病后期 炒用 重症加量");
    QStringList usages{
        QStringLiteral("水煎服。"),
        QStringLiteral("水煎服，日一剂，分二次温服。"),
        QStringLiteral("上药研末，每服9克，温开水送下。"),
        QStringLiteral("作丸剂，每服6克，日二次。"),
        QStringLiteral("水煎服，服后啜热稀粥，温覆取微汗。"),
        QStringLiteral("共为细末，炼蜜为丸，每服9克，空腹温水送服。"),
        QStringLiteral("水煎，去滓，温服。"),
        QStringLiteral("上药为散，每服6克，加生姜三片，水煎服。"),
    };
    QStringList sources =
        words("伤寒论 金匮要略 太平惠民和剂局方 温病条辨 脾胃论 医方集解 景岳全书 丹溪心法 小儿药证直诀 妇人大全良方 "
              "医林改错 千金要方 外台秘要 济生方 内外伤辨惑论 医学心悟 正体类要 温热经纬 重订通俗伤寒论 校注妇人良方 "
              "成方便读 医宗金鉴 傅青主女科 医学衷中参西录 摄生众妙方 世医得效方 证治准绳 宣明论方 兰室秘藏 寿世保元 "
              "万病回春 普济本事方 时方歌括 杂病源流犀烛 医学发明 审视瑶函");
    QStringList diseases =
        words("感冒 流行性感冒 上呼吸道感染 急性支气管炎 慢性支气管炎 支气管哮喘 肺炎 慢性胃炎 消化性溃疡 "
              "胃肠神经官能症 慢性肠炎 溃疡性结肠炎 肠易激综合征 慢性肝炎 胆囊炎 胆结石 高血压 冠心病 心律失常 "
              "病毒性心肌炎 脑血管意外后遗症 偏头痛 神经衰弱 失眠症 抑郁症 糖尿病 甲状腺功能亢进 慢性肾炎 肾病综合征 "
              "泌尿系感染 泌尿系结石 前列腺增生 月经不调 痛经 功能性子宫出血 盆腔炎 更年期综合征 不孕症 先兆流产 "
              "产后缺乳 类风湿关节炎 风湿性关节炎 骨质增生 坐骨神经痛 腰肌劳损 荨麻疹 湿疹 痤疮 银屑病 带状疱疹 "
              "扁桃体炎 咽炎 口腔溃疡 鼻炎 鼻窦炎 中耳炎 结膜炎 贫血 血小板减少性紫癜 小儿厌食 小儿遗尿 肺结核 "
              "肝硬化腹水 慢性疲劳综合征");
    QStringList diseaseTypes = words("风寒型 风热型 气虚型 湿热型 瘀血型 阴虚型");
    QStringList noteSentences{
        QStringLiteral("本方用于临床多年，疗效确切"),
        QStringLiteral("服药期间忌食生冷油腻"),
        QStringLiteral("体虚者可酌加党参、黄芪以扶正"),
        QStringLiteral("若兼见咳嗽痰多，可加半夏、陈皮"),
        QStringLiteral("孕妇慎用"),
        QStringLiteral("曾治一患者，服药三剂后诸症明显减轻，继服七剂而愈"),
        QStringLiteral("热甚者加石膏、知母；寒甚者加干姜、附子"),
        QStringLiteral("本方药性偏温，阴虚火旺者不宜"),
        QStringLiteral("随证加减，灵活运用"),
        QStringLiteral("久服宜减量，以免损伤脾胃"),
    };
};

class Writer {
public:
    explicit Writer(quint32 seed) : m_rng(seed) {}

    int below(int n) { return static_cast<int>(m_rng.bounded(static_cast<quint32>(n))); }
    bool chance(int percent) { return below(100) < percent; }
    const QString& pick(const QStringList& list) { return list[below(static_cast<int>(list.size()))]; }

    QString name(int i) {
        const int bases = static_cast<int>(m_v.names.size());
        const int modifiers = static_cast<int>(m_v.nameModifiers.size());
        const int cycle = i / bases;
        QString result = m_v.names[i % bases];
        if (cycle > 0) {
            const QString& modifier = m_v.nameModifiers[cycle % modifiers];
            if (modifier != u"_") {
                result.prepend(modifier);
            }
            if (cycle >= modifiers) {
                result += QString::number(cycle / modifiers + 1) + QStringLiteral("号");
            }
        }
        return result;
    }

    // Median 7 herbs, now and then a large formula of up to 50.
    QString composition() {
        int count = 2 + below(6) + below(6);
        if (chance(3)) {
            count = 13 + below(38);
        }
        std::vector<int> chosen;
        while (static_cast<int>(chosen.size()) < count) {
            const int herb = below(static_cast<int>(m_v.herbs.size()));
            if (std::find(chosen.begin(), chosen.end(), herb) == chosen.end()) {
                chosen.push_back(herb);
            }
        }
        QString text;
        for (size_t h = 0; h < chosen.size(); ++h) {
            if (h > 0) {
                text += u'，';
            }
            text += m_v.herbs[chosen[h]] + QString::number(m_v.doses[below(static_cast<int>(m_v.doses.size()))]) +
                    QStringLiteral("克");
            if (chance(8)) {
                text += u'（' + pick(m_v.herbNotes) + u'）';
            }
        }
        return text + u'。';
    }

    QString effects() {
        const int roll = below(10);
        const int count = roll == 0 ? 1 : roll < 7 ? 2 : 3;
        QStringList terms;
        for (int t = 0; t < count; ++t) {
            terms << pick(m_v.effects);
        }
        return terms.join(u'，') + u'。';
    }

    // 30 to 160 characters: a syndrome, symptoms, tongue and pulse; some asides in brackets.
    QString indications() {
        const int target = 30 + below(60) + (chance(30) ? below(71) : 0);
        QString text = pick(m_v.syndromes) + u'。';
        const QString closing = pick(m_v.tongues) + u'，' + pick(m_v.pulses) + u'。';
        while (text.size() + closing.size() < target) {
            text += pick(m_v.symptoms);
            if (chance(10) && text.size() + closing.size() + 16 < target) {
                text += chance(50) ? u'（' + pick(m_v.asides) + u'）' : u'(' + pick(m_v.asides) + u')';
            }
            text += chance(15) ? u'；' : u'，';
        }
        return text + closing;
    }

    QString usage() { return pick(m_v.usages); }
    QString source() { return u'《' + pick(m_v.sources) + QStringLiteral("》。"); }

    // Clinical uses: diseases joined by "、", some typed in brackets, some second lines; a few blank.
    QString clinical(const QString& syndromeHint) {
        if (chance(8)) {
            return QStringLiteral(" ");
        }
        QString text = chance(60) ? QStringLiteral("本方常用于") : QStringLiteral("用于");
        const int count = 2 + below(6);
        for (int d = 0; d < count; ++d) {
            if (d > 0) {
                text += u'、';
            }
            text += pick(m_v.diseases);
            if (chance(10)) {
                text += u'(' + pick(m_v.diseaseTypes) + u')';
            }
        }
        text += QStringLiteral("等属") + syndromeHint + QStringLiteral("者。");
        if (chance(30)) {
            text += QStringLiteral("\r\n亦可用于") + pick(m_v.diseases) + u'、' + pick(m_v.diseases) + u'。';
        }
        return text;
    }

    QString notes() {
        if (!chance(25)) {
            return QStringLiteral(" ");
        }
        QString text;
        const int paragraphs = 1 + below(4);
        for (int p = 0; p < paragraphs; ++p) {
            if (p > 0) {
                text += QStringLiteral("\r\n");
            }
            const int sentences = 2 + below(5);
            for (int s = 0; s < sentences; ++s) {
                text += pick(m_v.noteSentences) + (s + 1 < sentences ? u'，' : u'。');
            }
        }
        return text;
    }

    QString syndrome() { return pick(m_v.syndromes); }

private:
    QRandomGenerator m_rng;
    Vocabulary m_v;
};

} // namespace

store::Status generateCorpus(store::Database& db, int count, quint32 seed) {
    auto insert =
        db.prepareNative(QStringLiteral("INSERT INTO ") + store::quoteIdentifier(store::table::kPrescriptions) +
                         QStringLiteral(" VALUES (?, ?, ?, ?, ?, ?, ?, ?)"));
    if (!insert) {
        return insert.error();
    }
    if (auto begun = db.begin(); !begun) {
        return begun;
    }
    Writer writer(seed);
    auto run = [&]() -> store::Status {
        for (int i = 0; i < count; ++i) {
            const QString texts[store::PrescriptionColumnCount] = {
                writer.name(i),
                writer.composition(),
                writer.effects(),
                writer.indications(),
                writer.usage(),
                writer.source(),
                writer.clinical(writer.syndrome()),
                writer.notes(),
            };
            for (int c = 0; c < store::PrescriptionColumnCount; ++c) {
                if (auto bound = insert->bind(c + 1, texts[c]); !bound) {
                    return bound;
                }
            }
            if (auto stepped = insert->step(); !stepped) {
                return stepped.error();
            }
            if (auto reset = insert->reset(); !reset) {
                return reset;
            }
        }
        return db.commit();
    };
    store::Status status = run();
    if (!status) {
        (void)db.rollback();
    }
    return status;
}

std::vector<int> corpusSizes(int argc, char** argv) {
    std::vector<int> sizes;
    for (int a = 1; a < argc; ++a) {
        sizes.push_back(QString::fromLocal8Bit(argv[a]).toInt());
    }
    if (sizes.empty()) {
        sizes = {1000, 10000, 100000};
    }
    return sizes;
}

QString templateBesideProgram() {
    const QString path = QCoreApplication::applicationDirPath() + QStringLiteral("/vizi.mdb");
    if (!QFileInfo::exists(path)) {
        std::fprintf(stderr, "template %s not found\n", qPrintable(path));
        return {};
    }
    return path;
}

bool makeImportSource(const QString& corpusPath, const QString& sourcePath) {
    auto corpus = store::Database::open(corpusPath, store::kMainConnect);
    auto source = store::Database::create(sourcePath, store::kImportConnect);
    if (!corpus || !source) {
        return false;
    }
    if (!source
             ->executeNative(QStringLiteral("CREATE TABLE zyfj (fjmc TEXT, fjgc TEXT, fjgy TEXT, fjzz TEXT, "
                                            "fjyf TEXT, fjly TEXT, fjxd TEXT)"))
             .ok() ||
        !source->begin().ok()) {
        return false;
    }
    auto read = corpus->prepareNative(QStringLiteral("SELECT 名称, 构成, 功效, 主治, 用法, 来源, 临床 FROM 中医方剂"));
    auto write = source->prepareNative(QStringLiteral("INSERT INTO zyfj VALUES(?1,?2,?3,?4,?5,?6,?7)"));
    if (!read || !write) {
        return false;
    }
    while (true) {
        auto row = read->step();
        if (!row) {
            return false;
        }
        if (!*row) {
            break;
        }
        for (int c = 0; c < 7; ++c) {
            (void)write->bind(c + 1, read->value(c));
        }
        if (!write->step().ok() || !write->reset().ok()) {
            return false;
        }
    }
    return source->commit().ok();
}

} // namespace fangji::bench

#include "import/TSImportFuzzing.h"

#include "import/TSBodyElementParser.h"

namespace {

TSElementArrayPtr everyRole() {
    static const TSElementArrayPtr list = [] {
        auto a = TSElementArray::array();
        a->setStoredData(VDNewArray::Members{});
        struct S {
            const char* name;
            qint64 store;
            const char* nameSource;
            const char* idSource;
            const char* subsectionOf;
            const char* insert;
        };
        const S settings[] = {
            {"div1", 1, "\u2022 head", nullptr, nullptr, nullptr}, {"div2", 2, "{} n type", "n", nullptr, nullptr},
            {"sp", 3, "{} n + 1", nullptr, "div2", nullptr},       {"l", 3, "Text", "*milestone*", nullptr, "|"},
            {"p", 4, nullptr, nullptr, nullptr, "{n}"},            {"hi", 4, nullptr, nullptr, nullptr, nullptr},
            {"stage", 5, nullptr, nullptr, nullptr, nullptr},      {"note", 6, nullptr, nullptr, nullptr, nullptr},
            {"lb", 7, nullptr, "n", nullptr, nullptr},             {"milestone", 8, "{} n unit", "n", nullptr, nullptr},
            {"gap", 9, nullptr, nullptr, nullptr, "<\u2026>"},     {"foreign", 4, nullptr, nullptr, nullptr, "\u2B90"},
        };
        for (const S& s : settings) {
            auto e = std::make_shared<TSImportElement>();
            e->VDData::setName(QString::fromUtf8(s.name));
            e->setStore(s.store);
            if (s.nameSource) e->setNameSource(QString::fromUtf8(s.nameSource));
            if (s.idSource) e->setIdSource(QString::fromUtf8(s.idSource));
            if (s.subsectionOf) e->setSubsectionOf(QString::fromUtf8(s.subsectionOf));
            if (s.insert) e->setInsertString(QString::fromUtf8(s.insert));
            e->setFormatType(s.store == 4 ? 3 : 0);
            a->addObject(e);
        }
        return a;
    }();
    return list;
}

}  // namespace

bool TSImportFuzzing::readAll(const QByteArray& bytes) {
    bool ok = true;
    TSHeaderElementParser header;
    const ts::Value h = header.parseData(bytes);
    ok = ok && (h.isNull() != header.errorMessage().isEmpty());

    TSBodyElementParser survey;
    survey.setCurIdentifier(QStringLiteral("latin"));
    const ts::Value s = survey.parseData(bytes);
    ok = ok && (s.isNull() != survey.errorMessage().isEmpty()) && !s.contains(QStringLiteral("Books"));

    TSBodyElementParser converter;
    converter.setCurIdentifier(QStringLiteral("perseusEnglish"));
    converter.setElementArray(everyRole());
    const ts::Value c = converter.parseData(bytes);
    ok = ok && (c.isNull() != converter.errorMessage().isEmpty());
    if (c.isDictionary()) {
        ok = ok && c[QStringLiteral("Books")].array().size() == converter.texts().size();
        ok = ok && converter.footnoteLists().size() <= converter.texts().size();
    }
    return ok;
}

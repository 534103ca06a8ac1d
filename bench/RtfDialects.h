#pragma once
// RTF texts in the dialects of four writers, each with a header of its own
// (fonts, sizes, colour table and tab stops varying with its number), as
// texts pasted from many sources arrive. Shared by the RTF benchmark and the
// tests that read the same texts.

#include <QByteArray>

#include <vector>

namespace rtfdialects {

// What every varied text has of its own: one to three fonts from a list of
// common faces in varying order, one to four colours and a size.
struct Opening {
    std::vector<QByteArray> faces;
    struct Rgb {
        int r, g, b;
    };
    std::vector<Rgb> colors;
    int halfPoints;
};

inline Opening openingOf(int i) {
    static const char* const faces[] = {
        "Helvetica", "Times-Roman", "TimesNewRomanPSMT", "ArialMT", "Georgia", "Palatino-Roman",
        "GentiumPlus", "Cardo", "Baskerville", "Optima-Regular", "HelveticaNeue", "Verdana",
        "Cochin", "Didot", "GillSans", "Courier", "Menlo-Regular", "Charter-Roman",
        "IowanOldStyle-Roman", "HoeflerText-Regular", "Garamond", "Calibri", "Cambria", "LucidaGrande"};
    constexpr int kFaces = int(sizeof faces / sizeof *faces);
    Opening o;
    for (int f = 0; f < 1 + i % 3; ++f) o.faces.push_back(faces[(i * 7 + f * 5 + i / kFaces) % kFaces]);
    for (int c = 0; c < 1 + (i / 3) % 4; ++c) o.colors.push_back({(i * 37 + c * 101) % 256, (i * 11 + c * 53) % 256, (i / 256 + c * 29) % 256});
    o.halfPoints = 20 + 2 * (i % 9);
    return o;
}

inline QByteArray n(int v) { return QByteArray::number(v); }

inline QByteArray colorTable(const Opening& o, const char* open) {
    QByteArray t = open;
    for (const auto& c : o.colors) t += "\\red" + n(c.r) + "\\green" + n(c.g) + "\\blue" + n(c.b) + ";";
    return t + "}";
}

// The line with a word in the second font, if there is one.
inline QByteArray line(const Opening& o, int i, const QByteArray& secondFont, const QByteArray& firstFont) {
    return "Arma virumque cano, Troiae qui primus ab oris " + n(i) + " " +
           (o.faces.size() > 1 ? secondFont + " Italiam" + firstFont + "  fato profugus" : QByteArray("Italiam fato profugus"));
}

// The platform's text system (TextEdit, this application's own texts).
inline QByteArray cocoaText(const Opening& o, int i) {
    static const char* const tabs[] = {"\\tx560\\tx1120\\tx1680", "\\tx720", "", "\\tx566\\tx1133\\tx1700\\tx2267"};
    QByteArray d = "{\\rtf1\\ansi\\ansicpg1252\\cocoartf" + n(1500 + i % 1200) + "\n\\cocoatextscaling0\\cocoaplatform0{\\fonttbl";
    for (size_t f = 0; f < o.faces.size(); ++f) d += "\\f" + n(int(f)) + (f == 0 ? "\\fswiss" : "\\froman") + "\\fcharset0 " + o.faces[f] + ";";
    d += "}\n" + colorTable(o, "{\\colortbl;\\red255\\green255\\blue255;") + "\n{\\*\\expandedcolortbl;;";
    for (const auto& c : o.colors) d += "\\cssrgb\\c" + n(c.r * 392) + "\\c" + n(c.g * 392) + "\\c" + n(c.b * 392) + ";";
    d += "}\n\\pard" + QByteArray(tabs[i % 4]) + "\\pardirnatural\\partightenfactor0\n\n\\f0\\fs" + n(o.halfPoints) + " \\cf" +
         n(2 + i % int(o.colors.size())) + " " + line(o, i, "\\f1", "\\f0") + "}";
    return d;
}

// Microsoft Word, its header without the theme and the table of latent
// styles (kilobytes that readers skip whole).
inline QByteArray wordText(const Opening& o, int i) {
    QByteArray d = "{\\rtf1\\adeflang1025\\ansi\\ansicpg1252\\uc1\\adeff31507\\deff0\\stshfdbch31505\\stshfloch31506\\stshfhich31506"
                   "\\stshfbi31507\\deflang2057\\deflangfe2057\\themelang2057\\themelangfe0\\themelangcs0{\\fonttbl";
    for (size_t f = 0; f < o.faces.size(); ++f)
        d += "{\\f" + n(int(f)) + "\\fbidi \\froman\\fcharset0\\fprq2{\\*\\panose 02020603050405020304}" + o.faces[f] + ";}";
    d += "{\\fbimajor\\f31503\\fbidi \\froman\\fcharset0\\fprq2{\\*\\panose 02020603050405020304}Times New Roman;}"
         "{\\flominor\\f31506\\fbidi \\fswiss\\fcharset0\\fprq2{\\*\\panose 020f0502020204030204}Calibri;}}\n";
    d += colorTable(o, "{\\colortbl;\\red0\\green0\\blue0;\\red0\\green0\\blue255;") + "\n";
    d += "{\\*\\defchp \\f31506\\fs22\\lang2057\\langfe1033\\langfenp1033 }{\\*\\defpap \\ql \\li0\\ri0\\sa160\\sl259\\slmult1"
         "\\widctlpar\\wrapdefault\\aspalpha\\aspnum\\faauto\\adjustright\\rin0\\lin0\\itap0 }\\noqfpromote "
         "{\\stylesheet{\\ql \\li0\\ri0\\sa160\\sl259\\slmult1\\widctlpar\\wrapdefault\\aspalpha\\aspnum\\faauto\\adjustright\\rin0\\lin0"
         "\\itap0 \\rtlch\\fcs1 \\af31507\\afs22\\alang1025 \\ltrch\\fcs0 \\f31506\\fs22\\lang2057\\langfe1033\\cgrid\\langnp2057"
         "\\langfenp1033 \\snext0 \\sqformat \\spriority0 Normal;}{\\*\\cs10 \\additive \\ssemihidden \\sunhideused \\spriority1 "
         "Default Paragraph Font;}{\\*\\ts11\\tsrowd\\trftsWidthB3\\trpaddl108\\trpaddr108\\trpaddfl3\\trpaddft3\\trpaddfb3\\trpaddfr3"
         "\\tblind0\\tblindtype3\\tsvertalt\\tsbrdrt\\tsbrdrl\\tsbrdrb\\tsbrdrr\\tsbrdrdgl\\tsbrdrdgr\\tsbrdrh\\tsbrdrv \\ql \\li0\\ri0"
         "\\sa160\\sl259\\slmult1\\widctlpar\\wrapdefault\\aspalpha\\aspnum\\faauto\\adjustright\\rin0\\lin0\\itap0 \\rtlch\\fcs1 "
         "\\af31507\\afs22\\alang1025 \\ltrch\\fcs0 \\f31506\\fs22\\lang2057\\langfe1033\\cgrid\\langnp2057\\langfenp1033 \\snext11 "
         "\\ssemihidden \\sunhideused Normal Table;}}\n{\\*\\rsidtbl \\rsid" + n(1000000 + i * 7) + "\\rsid" + n(2000000 + i * 13) +
         "}{\\mmathPr\\mmathFont34\\mbrkBin0\\mbrkBinSub0\\msmallFrac0\\mdispDef1\\mlMargin0\\mrMargin0\\mdefJc1\\mwrapIndent1440"
         "\\mintLim0\\mnaryLim1}{\\info{\\author Marcus Tullius}{\\operator Marcus Tullius}{\\creatim\\yr2024\\mo" + n(1 + i % 12) +
         "\\dy" + n(1 + i % 28) + "\\hr10\\min" + n(i % 60) + "}{\\revtim\\yr2024\\mo3\\dy5\\hr10\\min4}{\\version2}{\\edmins" + n(i % 90) +
         "}{\\nofpages1}{\\nofwords12}{\\nofchars70}{\\nofcharsws81}{\\vern" + n(100 + i % 30) + "}}{\\*\\xmlnstbl {\\xmlns1 "
         "http://schemas.microsoft.com/office/word/2003/wordml}}\\paperw11906\\paperh16838\\margl1440\\margr1440\\margt1440"
         "\\margb1440\\gutter0\\ltrsect \n\\widowctrl\\ftnbj\\aenddoc\\trackmoves0\\trackformatting1\\donotembedsysfont1\\relyonvml0"
         "\\donotembedlingdata0\\grfdocevents0\\validatexml1\\showplaceholdtext0\\ignoremixedcontent0\\saveinvalidxml0"
         "\\showxmlerrors1\\noxlattoyen\\expshrtn\\noultrlspc\\dntblnsbdb\\nospaceforul\\formshade\\horzdoc\\dgmargin\\dghspace180"
         "\\dgvspace180\\dghorigin1440\\dgvorigin1440\\dghshow1\\dgvshow1\n\\jexpand\\viewkind1\\viewscale100\\pgbrdrhead\\pgbrdrfoot"
         "\\splytwnine\\ftnlytwnine\\htmautsp\\nolnhtadjtbl\\useltbaln\\alntblind\\lytcalctblwd\\lyttblrtgr\\lnbrkrule\\nobrkwrptbl"
         "\\snaptogridincell\\allowfieldendsel\\wrppunct\n\\asianbrkrule\\rsidroot" + n(1000000 + i * 7) + "\\newtblstyruls\\nogrowautofit"
         "\\usenormstyforlist\\noindnmbrts\\felnbrelev\\nocxsptable\\indrmarg\\relyonvml0\\donotembedlingdata0\\grfdocevents0"
         "{\\*\\wgrffmtfilter 2450}\\nofeaturethrottle1\\ilfomacatclnup0\\ltrpar \\sectd \\ltrsect\\linex0\\endnhere\\sectlinegrid360"
         "\\sectdefaultcl\\sftnbj {\\*\\pnseclvl1\\pnucrm\\pnstart1\\pnindent720\\pnhang {\\pntxta .}}\\pard\\plain \\ltrpar\\ql \\li0"
         "\\ri0\\sa160\\sl259\\slmult1\\widctlpar\\wrapdefault\\aspalpha\\aspnum\\faauto\\adjustright\\rin0\\lin0\\itap0 \\rtlch\\fcs1 "
         "\\af31507\\afs22\\alang1025 \\ltrch\\fcs0 \\f0\\fs" + n(o.halfPoints) + "\\lang2057\\langfe1033\\cgrid\\langnp2057\\langfenp1033 "
         "{\\rtlch\\fcs1 \\af31507 \\ltrch\\fcs0 \\cf" + n(3 + i % int(o.colors.size())) + "\\insrsid" + n(2000000 + i * 13) + " " +
         line(o, i, "\\f1", "\\f0") + "\n\\par }}";
    return d;
}

// WordPad and other programs built on the Windows rich edit control.
inline QByteArray wordPadText(const Opening& o, int i) {
    QByteArray d = "{\\rtf1\\ansi\\ansicpg1252\\deff0\\nouicompat\\deflang1033{\\fonttbl";
    for (size_t f = 0; f < o.faces.size(); ++f) d += "{\\f" + n(int(f)) + "\\fnil\\fcharset0 " + o.faces[f] + ";}";
    d += "}\n" + colorTable(o, "{\\colortbl ;") + "\n{\\*\\generator Riched20 10.0." + n(19041 + i % 3000) + "}\\viewkind4\\uc1 \n";
    d += "\\pard\\sa200\\sl276\\slmult1\\cf" + n(1 + i % int(o.colors.size())) + "\\f0\\fs" + n(o.halfPoints) + "\\lang9 " +
         line(o, i, "\\f1", "\\f0") + "\\cf0\\par\n}\n";
    return d;
}

// LibreOffice Writer.
inline QByteArray libreOfficeText(const Opening& o, int i) {
    QByteArray d = "{\\rtf1\\ansi\\deff0\\adeflang1025\n{\\fonttbl";
    for (size_t f = 0; f < o.faces.size(); ++f) d += "{\\f" + n(int(f)) + "\\froman\\fprq2\\fcharset0 " + o.faces[f] + "{\\*\\falt Times New Roman};}";
    d += "{\\f" + n(int(o.faces.size())) + "\\fnil\\fprq2\\fcharset0 Noto Sans CJK SC;}{\\f" + n(int(o.faces.size()) + 1) +
         "\\fnil\\fprq2\\fcharset0 Lohit Devanagari;}}\n";
    d += colorTable(o, "{\\colortbl;\\red0\\green0\\blue0;") + "\n";
    d += "{\\stylesheet{\\s0\\snext0\\rtlch\\af3\\afs24\\alang1081 \\ltrch\\lang2057\\langfe2052\\hich\\af0\\loch\\widctlpar\\hyphpar0"
         "\\ltrpar\\cf0\\f0\\fs24\\lang2057\\kerning1\\dbch\\af2\\langfe2052 Normal;}\n{\\*\\cs15\\snext15 Footnote Characters;}\n"
         "{\\s16\\sbasedon0\\snext17\\rtlch\\af3\\afs28 \\ltrch\\hich\\af0\\loch\\ilvl0\\outlinelevel0\\sb240\\sa120\\keepn\\f0\\fs28"
         "\\dbch\\af2 Heading;}\n{\\s17\\sbasedon0\\snext17\\loch\\sl276\\slmult1\\sb0\\sa140 Text Body;}\n}"
         "{\\*\\generator LibreOffice/7." + n(i % 7) + ".2.2$Linux_X86_64 LibreOffice_project/" + n(i % 100) + "$Build-2}"
         "{\\info{\\creatim\\yr2024\\mo" + n(1 + i % 12) + "\\dy" + n(1 + i % 28) + "\\hr10\\min" + n(i % 60) +
         "}{\\revtim\\yr2024\\mo3\\dy5\\hr10\\min4}{\\printim\\yr0\\mo0\\dy0\\hr0\\min0}}{\\*\\userprops}\\deftab709\n"
         "\\hyphauto1\\viewscale100\\formshade\\nobrkwrptbl\\paperh16838\\paperw11906\\margl1134\\margr1134\\margt1134\\margb1134"
         "\\sectd\\sbknone\\pgndec\\sftnnar\\saftnnrlc\\sectunlocked1\\pgwsxn11906\\pghsxn16838\\marglsxn1134\\margrsxn1134"
         "\\margtsxn1134\\margbsxn1134\\ftnbj\\ftnstart1\\ftnrstcont\\ftnnar\\aenddoc\\aftnrstcont\\aftnstart1\\aftnnrlc\n"
         "{\\*\\ftnsep\\chftnsep}\\pgndec\\pard\\plain \\s0\\rtlch\\af3\\afs24\\alang1081 \\ltrch\\lang2057\\langfe2052\\hich\\af0"
         "\\loch\\widctlpar\\hyphpar0\\ltrpar\\cf0\\f0\\fs" + n(o.halfPoints) + "\\lang2057\\kerning1\\dbch\\af2\\langfe2052\\ql"
         "{\\cf" + n(2 + i % int(o.colors.size())) + "\\loch " + line(o, i, "\\loch\\f1", "\\loch\\f0") + "}\n\\par }";
    return d;
}

// Text i in the dialect of writer i % 4.
inline QByteArray variedText(int i) {
    const Opening o = openingOf(i);
    switch (i % 4) {
    case 0: return cocoaText(o, i);
    case 1: return wordText(o, i);
    case 2: return wordPadText(o, i);
    default: return libreOfficeText(o, i);
    }
}

}  // namespace rtfdialects

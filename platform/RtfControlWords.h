#pragma once
// The RTF control words the reader acts on. Internal to the RTF reader.

#include <QtGlobal>

#include <cstddef>

namespace ts::rtf {

// Every control word the reader acts on; the rest are Unknown.
enum class Word : quint8 {
    Unknown, Skip,
    FontTable, ColorTable, ExpandedColorTable, FieldInstruction, Graphic,
    F, Fcharset, Red, Green, Blue, CsRgb, CsGray, C, Width, Height,
    Ansicpg, Mac, Deff, Uc, U, Field, Fldrslt,
    Par, Line, Tab, Emdash, Endash, Bullet, Lquote, Rquote, Ldblquote, Rdblquote,
    Fs, Fsmilli, B, I, Ul, Uldb, Ulth, Ulnone, Strike, Cf, Cb, Super, Sub, Nosupersub, Up, Dn, Plain,
    Pard, Ql, Qr, Qc, Qj, Qnatural, Tx,
    Intbl, Trowd, Cellx, Cell, Row, Nestcell,
};

// The word for a control word's letters; Unknown for any other.
Word lookUpWord(const char* letters, size_t length);

}  // namespace ts::rtf

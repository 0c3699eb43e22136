// Inline tags of text objects (<b>, <i>, <u>, <strike>, <sub>, <sup>,
// <nowrap>, <font color=...>): removed from each paragraph, leaving one
// record per visible character with the attributes in force for it. The text
// layout breaks, measures and draws from these records; with tags off the
// same records are built, each bringing no change.
#pragma once
#include "platform/GraphicsTypes.h"
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

class Canvas;
class TvdxTextMeasure;

enum TSubStyle { ssNormal, ssSubscript, ssSuperscript };

// Font style bits, the same as TvdFont's.
enum : int { vdfsBold = 1, vdfsItalic = 2, vdfsUnderline = 4, vdfsStrikeOut = 8 };

class TvdxHTMLTag {
public:
    int Position = 0; // 1-based index in the layout's plain text
    int Size = 0;     // points
    int AddY = 0;     // 1 for subscript
    int Style = 0;    // vdfs* bits
    TColor Color = clBlack;
    // Same attributes as the character before: no font change before it.
    bool Default = false;
    bool Small = false;
    bool DontWRAP = false;
    TSubStyle SubType = ssNormal;

    // Copies everything but DontWRAP.
    void Assign(const TvdxHTMLTag &tag);
};

// The records of one wrapped line.
class TvdxHTMLTags {
public:
    int Count() const { return int(m_items.size() - m_first); }
    TvdxHTMLTag *Items(int index) const { return m_items[m_first + size_t(index)].get(); }
    TvdxHTMLTag *Add();
    void Clear()
    {
        m_items.clear();
        m_first = 0;
    }

private:
    friend class TvdxHTMLTagsList;
    // Records before m_first were handed to an earlier line: splitting a
    // long paragraph line by line then costs the line, not the rest.
    std::vector<std::unique_ptr<TvdxHTMLTag>> m_items;
    size_t m_first = 0;
};

class TvdxHTMLTagsList {
public:
    TvdxHTMLTagsList();
    ~TvdxHTMLTagsList();
    TvdxHTMLTagsList(const TvdxHTMLTagsList &) = delete;
    TvdxHTMLTagsList &operator=(const TvdxHTMLTagsList &) = delete;

    void Clear() { m_lines.clear(); }
    int Count() const { return int(m_lines.size()); }
    TvdxHTMLTags *Items(int index) const { return m_lines[size_t(index)].get(); }

    bool AllowTags() const { return m_allowTags; }
    void SetAllowTags(bool value) { m_allowTags = value; }
    int Position() const { return m_position; }
    void SetPosition(int value) { m_position = value; }
    int DefStyle() const { return m_defStyle; }
    void SetDefStyle(int style) { m_defStyle = style; }

    // Starts a text: attributes in force become the defaults, Position 1.
    void SetDefaults(TColor defColor, int defSize, int defStyle);
    // Removes the tags of one paragraph and appends its records to the last
    // line; an empty paragraph becomes " " with one record.
    void ExpandHTMLTags(QString &s);
    // A new line list, unless the list is still empty.
    void StartLine();
    TvdxHTMLTag *AppendTag();
    TvdxHTMLTag *PreviousTag() const;
    // Moves the records from Value on into a new line; with AddHyphen the old
    // line gets one more record for the hyphen.
    void SplitLineAt(int value, bool addHyphen);
    // Advances of each character of line LineIndex on the canvas, each in the
    // style of its record; answers their sum.
    int MeasureCharAdvances(std::vector<int> &widths, const QString &s, bool cumulative, int charSpacing,
                            int lineIndex, Canvas &canvas, const TvdxTextMeasure &measure);

private:
    struct OpenTag {
        QString name;
        TColor color; // of a FONT tag
    };
    // Length of the tag at s[i] (0-based), applying it; 0 when none stands there.
    int parseTag(const QString &s, int i, std::vector<OpenTag> &open);
    void applyOpen(const OpenTag &tag);
    void closeName(const QString &name, std::vector<OpenTag> &open);
    void appendVisible();

    std::vector<std::unique_ptr<TvdxHTMLTags>> m_lines;
    bool m_allowTags = true;
    int m_style = 0;
    TColor m_color = clBlack;
    int m_size = 10;
    int m_addY = 0;
    bool m_dontWrap = false;
    TSubStyle m_subStyle = ssNormal;
    TColor m_defColor = clBlack;
    int m_defSize = 10;
    int m_defStyle = 0;
    int m_position = 1;
    std::vector<int> m_extents; // scratch: measured extents of a line
};

// The canvas font's style bits, and a style applied to it.
int CanvasFontStyle(const Canvas &canvas);
void SetCanvasFontStyle(Canvas &canvas, int style);

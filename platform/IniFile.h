// INI files and the settings store.
//
// Our own reader and writer: values are kept exactly as written (no quoting,
// no escaping), sections and keys compare ignoring letter case, comments and
// the order of lines survive a rewrite. Floats are written with "." and read
// with "." or ",".
#pragma once
#include "platform/Exception.h"
#include <QIODevice>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

// Raised when an INI file cannot be written (header-only base, no link dependency).
VD_DECLARE_EXCEPTION(EIniFileException, Exception)

// One INI text held in memory.
class TvdIniData {
public:
    void SetText(const QString &text);
    QString Text() const;
    void Clear() { m_sections.clear(); m_preamble.clear(); }

    bool ReadValue(const QString &section, const QString &ident, QString &value) const;
    void WriteValue(const QString &section, const QString &ident, const QString &value);
    QStringList Keys(const QString &section) const;
    QStringList Sections() const;
    QStringList SectionLines(const QString &section) const; // name=value
    bool SectionExists(const QString &section) const;
    void EraseSection(const QString &section);
    void DeleteKey(const QString &section, const QString &ident);

private:
    struct Line {
        QString key;    // empty for a comment or blank line
        QString value;  // the raw line for comments
        bool comment = false;
    };
    struct Section {
        QString name;
        std::vector<Line> lines;
    };
    Section *find(const QString &section);
    const Section *find(const QString &section) const;

    QStringList m_preamble;            // lines before the first section
    std::vector<Section> m_sections;
};

class TCustomIniFile {
public:
    explicit TCustomIniFile(const QString &fileName);
    virtual ~TCustomIniFile();
    TCustomIniFile(const TCustomIniFile &) = delete;
    TCustomIniFile &operator=(const TCustomIniFile &) = delete;

    const QString &FileName() const { return m_fileName; }

    virtual QString ReadString(const QString &section, const QString &ident, const QString &def) const = 0;
    virtual void WriteString(const QString &section, const QString &ident, const QString &value) = 0;
    virtual QStringList ReadSection(const QString &section) const = 0;        // key names
    virtual QStringList ReadSections() const = 0;
    virtual QStringList ReadSectionValues(const QString &section) const = 0;  // name=value lines
    virtual void EraseSection(const QString &section) = 0;
    virtual void DeleteKey(const QString &section, const QString &ident) = 0;
    virtual void UpdateFile() = 0;
    // The whole INI text; SetIniText replaces the content (and the file, for a file store).
    virtual QString IniText() const = 0;
    virtual void SetIniText(const QString &text) = 0;

    virtual bool SectionExists(const QString &section) const;
    virtual bool ValueExists(const QString &section, const QString &ident) const;

    int ReadInteger(const QString &section, const QString &ident, int def) const;
    void WriteInteger(const QString &section, const QString &ident, int value);
    bool ReadBool(const QString &section, const QString &ident, bool def) const;
    void WriteBool(const QString &section, const QString &ident, bool value);
    double ReadFloat(const QString &section, const QString &ident, double def) const;
    void WriteFloat(const QString &section, const QString &ident, double value);
    // Dates are days since 1899-12-30; written as "YYYY-MM-DD", "hh:mm:ss" and
    // "YYYY-MM-DD hh:mm:ss", read in those forms or as a plain number.
    double ReadDate(const QString &section, const QString &ident, double def) const;
    void WriteDate(const QString &section, const QString &ident, double value);
    double ReadDateTime(const QString &section, const QString &ident, double def) const;
    void WriteDateTime(const QString &section, const QString &ident, double value);
    double ReadTime(const QString &section, const QString &ident, double def) const;
    void WriteTime(const QString &section, const QString &ident, double value);
    // Binary values are upper-case hexadecimal pairs; answers the bytes written to value.
    int ReadBinaryStream(const QString &section, const QString &ident, QIODevice &value) const;
    void WriteBinaryStream(const QString &section, const QString &ident, QIODevice &value);

    // Lines "Items0".."ItemsN-1" and "Count".
    void WriteTStrings(const QString &section, const QStringList &value, bool isClear = true);
    QString ReadTStrings(const QString &section, QStringList &value, bool isClear = true) const;
    // Values only, in line order; a name that occurs twice gives its first value both times.
    QStringList ReadSectionValuesEx(const QString &section) const;

    void SaveIniFileToStream(QIODevice &stream) const;
    void LoadIniFileFromStream(QIODevice &stream);

private:
    QString m_fileName;
};

// Whole file in memory; UpdateFile writes it back (atomically). An empty file
// name makes a purely in-memory store.
class TMemIniFile : public TCustomIniFile {
public:
    explicit TMemIniFile(const QString &fileName = QString());
    ~TMemIniFile() override;

    QString ReadString(const QString &section, const QString &ident, const QString &def) const override;
    void WriteString(const QString &section, const QString &ident, const QString &value) override;
    QStringList ReadSection(const QString &section) const override;
    QStringList ReadSections() const override;
    QStringList ReadSectionValues(const QString &section) const override;
    void EraseSection(const QString &section) override;
    void DeleteKey(const QString &section, const QString &ident) override;
    void UpdateFile() override;
    QString IniText() const override { return m_data.Text(); }
    void SetIniText(const QString &text) override { m_data.SetText(text); m_dirty = true; }
    bool SectionExists(const QString &section) const override { return m_data.SectionExists(section); }

    QStringList GetStrings() const;
    void SetStrings(const QStringList &lines);
    void Clear();
    bool Modified() const { return m_dirty; }

private:
    TvdIniData m_data;
    bool m_dirty = false;
};

// Every write goes to the file at once (atomically); every read sees the file
// as it is now.
class TIniFile : public TCustomIniFile {
public:
    explicit TIniFile(const QString &fileName);

    QString ReadString(const QString &section, const QString &ident, const QString &def) const override;
    void WriteString(const QString &section, const QString &ident, const QString &value) override;
    QStringList ReadSection(const QString &section) const override;
    QStringList ReadSections() const override;
    QStringList ReadSectionValues(const QString &section) const override;
    void EraseSection(const QString &section) override;
    void DeleteKey(const QString &section, const QString &ident) override;
    void UpdateFile() override {}
    QString IniText() const override;
    void SetIniText(const QString &text) override;
    bool SectionExists(const QString &section) const override;

private:
    TvdIniData load() const;
    void save(const TvdIniData &data);
};

// Reads an INI file as text (UTF-8, byte-order mark dropped; other bytes as Latin-1).
QString vdReadIniText(const QString &fileName, bool *exists = nullptr);
// Writes text through a temporary file and a rename; creates missing folders.
// Throws EIniFileException when the file cannot be written.
void vdWriteIniText(const QString &fileName, const QString &text);

// Settings store. A path beginning with "\Software\" (the letter case matters)
// names a key of the per-user settings: it maps to an INI file under the
// application's config folder, the key's parts as folders ("\Software\A\B" ->
// <config>/Software/A/B.ini). Any other path is that INI file itself.
enum class TvdSettingsScope { CurrentUser, LocalMachine };

QString vdSettingsFileName(const QString &path, TvdSettingsScope scope = TvdSettingsScope::CurrentUser);
bool vdIsSettingsKeyPath(const QString &path);
// The caller owns the store. Writes reach the file at once.
std::unique_ptr<TCustomIniFile> vdCreateSettingsStore(const QString &path,
                                                      TvdSettingsScope scope = TvdSettingsScope::CurrentUser);
// Tests point the per-user and machine-wide folders elsewhere; empty restores the defaults.
void vdSetSettingsRoot(const QString &userRoot, const QString &machineRoot = QString());

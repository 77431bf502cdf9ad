#include "shell/system/AppIconResolver.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QSet>

#include "drain/ProcEnergy.h"

namespace tarvel {

namespace {

// Entries are outside input: a larger one is read only this far.
constexpr qint64 kMaxEntryBytes = 64 * 1024;
// Process names come and go; the cache is dropped when it grows past this.
constexpr qsizetype kMaxCachedIcons = 1024;
// The kernel keeps only this many characters of a process name.
constexpr qsizetype kProcessNameLimit = 15;

const int kHicolorSizes[] = {16, 22, 24, 32, 48, 64, 96, 128, 256, 512};

// A string value's escapes (\s \n \t \r \\).
QString unescaped(const QString& value) {
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            out += value[i];
            continue;
        }
        const QChar next = value[++i];
        if (next == 's')
            out += ' ';
        else if (next == 'n')
            out += '\n';
        else if (next == 't')
            out += '\t';
        else if (next == 'r')
            out += '\r';
        else
            out += next;
    }
    return out;
}

// Exec's words: double quotes group, a backslash keeps the next character. An unclosed quote
// ends at the end of the line.
QStringList execWords(const QString& exec) {
    QStringList words;
    QString word;
    bool inWord = false;
    bool quoted = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec[i];
        if (quoted) {
            if (c == '"')
                quoted = false;
            else if (c == '\\' && i + 1 < exec.size())
                word += exec[++i];
            else
                word += c;
        } else if (c == '"') {
            quoted = inWord = true;
        } else if (c.isSpace()) {
            if (inWord) words << word;
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord) words << word;
    return words;
}

QString baseName(const QString& program) {
    return program.mid(program.lastIndexOf('/') + 1);
}

bool isTrue(const QString& value) {
    return value.compare("true", Qt::CaseInsensitive) == 0;
}

// The first word after `i` that is not an option, or the --command value when given.
QString runTarget(const QStringList& words, qsizetype i) {
    for (; i < words.size(); ++i) {
        if (words[i].startsWith("--command=")) return words[i].mid(10);
        if (!words[i].startsWith('-')) return words[i];
    }
    return {};
}

void addKey(std::map<QString, std::vector<int>>& index, const QString& key, int entry) {
    if (!key.isEmpty()) index[key.toLower()].push_back(entry);
}

// The entries under `key`; with `prefix`, also those whose key starts with it.
void collect(const std::map<QString, std::vector<int>>& index, const QString& key, bool prefix,
             std::vector<int>& out) {
    if (key.isEmpty()) return;
    const QString k = key.toLower();
    for (auto it = index.lower_bound(k); it != index.end(); ++it) {
        if (it->first != k && !(prefix && it->first.startsWith(k))) break;
        out.insert(out.end(), it->second.begin(), it->second.end());
    }
}

}  // namespace

QString execProgram(const QString& exec) {
    const QStringList words = execWords(exec);
    qsizetype i = 0;
    if (i < words.size() && baseName(words[i]) == "env") {
        ++i;
        // Settings and options; -u and -C take the next word.
        while (i < words.size() && (words[i].contains('=') || words[i].startsWith('-'))) {
            const QString& w = words[i];
            i += (w == "-u" || w == "-C" || w == "--unset" || w == "--chdir") ? 2 : 1;
        }
    }
    if (i >= words.size()) return {};
    const QString program = words[i];
    const QString base = baseName(program);
    if ((base == "flatpak" || base == "snap") && i + 1 < words.size() && words[i + 1] == "run")
        return baseName(runTarget(words, i + 2));
    return program;
}

std::optional<DesktopEntryInfo> readDesktopEntry(const QString& file, const QString& id) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) return std::nullopt;
    const QString text = QString::fromUtf8(f.read(kMaxEntryBytes));

    QHash<QString, QString> values;
    bool sawGroup = false;
    bool inGroup = false;
    for (QStringView line : QStringView(text).split('\n')) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith('#')) continue;
        if (line.startsWith('[')) {
            inGroup = line == u"[Desktop Entry]";
            sawGroup = sawGroup || inGroup;
            continue;
        }
        const qsizetype eq = line.indexOf('=');
        if (!inGroup || eq <= 0) continue;
        const QString key = line.left(eq).trimmed().toString();
        if (key.contains('[') || values.contains(key)) continue;  // localized, or a repeat
        values.insert(key, line.mid(eq + 1).trimmed().toString());
    }
    if (!sawGroup || values.value("Type", "Application") != "Application") return std::nullopt;

    DesktopEntryInfo info;
    info.id = id;
    info.execProgram = execProgram(unescaped(values.value("Exec")));
    info.tryExec = unescaped(values.value("TryExec"));
    info.startupWMClass = unescaped(values.value("StartupWMClass"));
    info.icon = unescaped(values.value("Icon"));
    info.hidden = isTrue(values.value("NoDisplay")) || isTrue(values.value("Hidden"));
    return info;
}

AppIconResolver::AppIconResolver(QStringList applicationFolders)
    : applicationFolders_(std::move(applicationFolders)) {
    for (const QString& folder : applicationFolders_) {
        const QString parent = QFileInfo(QDir::cleanPath(folder)).path();
        if (!dataFolders_.contains(parent)) dataFolders_ << parent;
    }
}

QStringList AppIconResolver::applicationFoldersFromEnvironment() {
    QString home = qEnvironmentVariable("XDG_DATA_HOME");
    if (!QDir::isAbsolutePath(home)) home = QDir::homePath() + "/.local/share";
    QStringList dirs = qEnvironmentVariable("XDG_DATA_DIRS").split(':', Qt::SkipEmptyParts);
    if (dirs.isEmpty()) dirs = {"/usr/local/share", "/usr/share"};

    QStringList folders{QDir::cleanPath(home + "/applications")};
    for (const QString& dir : dirs)
        if (QDir::isAbsolutePath(dir)) folders << QDir::cleanPath(dir + "/applications");
    folders.removeDuplicates();
    return folders;
}

void AppIconResolver::buildIndex() {
    indexed_ = true;
    QSet<QString> seen;
    for (const QString& folder : applicationFolders_) {
        const QDir root(folder);
        // Sorted, so which of two entries claiming the same program wins does not vary.
        QStringList files;
        QDirIterator it(folder, {"*.desktop"}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) files << it.next();
        files.sort();
        for (const QString& file : files) {
            // Sub-folders join the id with dashes; an earlier folder's entry hides a later one.
            QString id = root.relativeFilePath(file);
            id.chop(8);
            id.replace('/', '-');
            if (seen.contains(id)) continue;
            seen.insert(id);
            std::optional<DesktopEntryInfo> info = readDesktopEntry(file, id);
            if (!info) continue;
            const int n = static_cast<int>(entries_.size());
            addKey(byExec_, info->execProgram, n);
            if (info->execProgram.contains('/')) addKey(byExec_, baseName(info->execProgram), n);
            addKey(byTryExec_, baseName(info->tryExec), n);
            addKey(byWMClass_, info->startupWMClass, n);
            addKey(byId_, id, n);
            // Reverse-domain ids also answer to their last part: org.gnome.Nautilus → nautilus.
            if (id.count('.') >= 2) addKey(byId_, id.mid(id.lastIndexOf('.') + 1), n);
            entries_.push_back(std::move(*info));
        }
    }
}

const DesktopEntryInfo* AppIconResolver::match(const QString& name, const QString& path) {
    if (!indexed_) buildIndex();
    const QString exeName = baseName(path);
    // Without a path a long name may be cut short, so it matches the start of a program name.
    const bool cut = path.isEmpty() && name.size() == kProcessNameLimit;

    std::vector<int> found;
    collect(byExec_, path, false, found);
    collect(byExec_, exeName, false, found);
    collect(byExec_, name, cut, found);
    collect(byTryExec_, exeName, false, found);
    collect(byTryExec_, name, cut, found);
    collect(byWMClass_, exeName, false, found);
    collect(byWMClass_, name, false, found);
    collect(byId_, exeName, false, found);
    collect(byId_, name, cut, found);
    if (found.empty()) return nullptr;
    for (int n : found)
        if (!entries_[n].hidden && !entries_[n].icon.isEmpty()) return &entries_[n];
    for (int n : found)
        if (!entries_[n].icon.isEmpty()) return &entries_[n];
    return &entries_[found.front()];
}

QIcon AppIconResolver::iconNamed(const QString& value) const {
    if (value.isEmpty()) return {};
    if (QDir::isAbsolutePath(value)) return QImageReader(value).canRead() ? QIcon(value) : QIcon();

    QString name = value;
    for (const char* suffix : {".png", ".xpm", ".svg"})
        if (name.endsWith(suffix)) name.chop(4);
    if (name.contains('/')) return {};
    QIcon themed = QIcon::fromTheme(name);
    if (!themed.isNull()) return themed;

    QIcon sized;
    for (const QString& data : dataFolders_)
        for (int size : kHicolorSizes) {
            const QString file =
                QString("%1/icons/hicolor/%2x%2/apps/%3.png").arg(data).arg(size).arg(name);
            if (QFileInfo(file).isFile()) sized.addFile(file, QSize(size, size));
        }
    if (!sized.isNull()) return sized;
    for (const QString& data : dataFolders_)
        for (const char* suffix : {".png", ".xpm"}) {
            const QString file = data + "/pixmaps/" + name + suffix;
            if (QImageReader(file).canRead()) return QIcon(file);
        }
    return {};
}

QIcon AppIconResolver::icon(const QString& name, const QString& path) {
    const QString key = name + QChar(0) + path;
    if (auto it = cache_.constFind(key); it != cache_.constEnd()) return *it;
    const DesktopEntryInfo* entry = match(name, path);
    const QIcon found = entry ? iconNamed(entry->icon) : QIcon();
    if (cache_.size() >= kMaxCachedIcons) cache_.clear();
    cache_.insert(key, found);
    return found;
}

QIcon AppIconResolver::icon(const ProcEnergy& process) {
    return icon(QString::fromStdString(process.name),
                QString::fromStdString(process.path.value_or(std::string())));
}

}  // namespace tarvel

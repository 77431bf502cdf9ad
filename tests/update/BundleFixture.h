#pragma once

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>

namespace tarvel::test {

// Writes `bytes` to `path`, creating its folder; executable files get mode 0755.
inline bool writeFile(const QString& path, const QByteArray& bytes, bool executable = false) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        return false;
    file.close();
    return !executable ||
           QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                           QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther |
                                           QFile::ExeOther);
}

inline QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Runs `program` in `folder` and returns its exit status (-1 when it did not run).
inline int runIn(const QString& folder, const QString& program, const QStringList& arguments) {
    QProcess process;
    process.setWorkingDirectory(folder);
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit) return -1;
    return process.exitCode();
}

// parent/Tarvel.app with bin/tarvel (`launcher`) and `fillerBytes` of data that does not
// compress, so its zip has a predictable least size.
inline bool makeBundle(const QString& parent, const QByteArray& launcher, int fillerBytes = 0) {
    const QString bundle = parent + "/Tarvel.app";
    QByteArray filler(fillerBytes, '\0');
    QRandomGenerator random(7);
    for (char& byte : filler) byte = char(random.bounded(256));
    return writeFile(bundle + "/bin/tarvel", launcher, true) &&
           writeFile(bundle + "/share/filler.bin", filler);
}

}  // namespace tarvel::test

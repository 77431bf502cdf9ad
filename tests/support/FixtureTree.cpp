#include "support/FixtureTree.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>

namespace tarvel::test {

FixtureTree::FixtureTree() : root_(dir_.path().toStdString()) {}

void FixtureTree::write(const std::string& relativePath, const std::string& content) const {
    const QString path = QString::fromStdString(root_ + "/" + relativePath);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw std::runtime_error("cannot write fixture");
    f.write(content.data(), static_cast<qint64>(content.size()));
}

void FixtureTree::replace(const std::string& relativePath, const std::string& content) const {
    const QString path = QString::fromStdString(root_ + "/" + relativePath);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly)) throw std::runtime_error("cannot write fixture");
    f.write(content.data(), static_cast<qint64>(content.size()));
    if (!f.commit()) throw std::runtime_error("cannot replace fixture");
}

void FixtureTree::writeAll(const std::string& folder,
                           const std::map<std::string, std::string>& files) const {
    for (const auto& [name, content] : files) write(folder + "/" + name, content);
}

void FixtureTree::remove(const std::string& relativePath) const {
    QFile::remove(QString::fromStdString(root_ + "/" + relativePath));
}

std::string FixtureTree::read(const std::string& relativePath) const {
    QFile f(QString::fromStdString(root_ + "/" + relativePath));
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll().toStdString();
}

CommandResult runTarvelctl(const std::vector<std::string>& args,
                           const std::map<std::string, std::string>& env) {
    QProcess p;
    QStringList list;
    for (const auto& a : args) list << QString::fromStdString(a);
    auto environment = QProcessEnvironment::systemEnvironment();
    for (const auto& [k, v] : env)
        environment.insert(QString::fromStdString(k), QString::fromStdString(v));
    p.setProcessEnvironment(environment);
    p.start(TARVELCTL_PATH, list);
    CommandResult r;
    if (!p.waitForFinished(120000)) return r;
    r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput().toStdString();
    r.err = p.readAllStandardError().toStdString();
    return r;
}

std::string fixtureText(const std::string& relative) {
    QFile f(QString(TARVEL_FIXTURES_DIR) + "/" + QString::fromStdString(relative));
    return f.open(QIODevice::ReadOnly) ? f.readAll().toStdString() : std::string();
}

}  // namespace tarvel::test

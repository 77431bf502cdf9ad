#include "update/BundleReplace.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>

#include "update/BundleLocation.h"
#include "update/RunCommand.h"
#include "update/UpdatePaths.h"

namespace tarvel {

namespace {

// Ends after the last line, without a newline. The new program counts as started unless it
// ends with an error within a second.
constexpr const char* kHelperScript = R"SH(#!/bin/bash
LOG='{LOG}'
RESULT='{RESULT}'
write_result() { printf '%s|%s\n' "$1" "$2" > "$RESULT"; }
trap 'code=$?; if [ ! -f "$RESULT" ] || [ ! -s "$RESULT" ]; then write_result fail "Update helper exited with code $code"; fi' EXIT
write_result pending "Update in progress…"
while kill -0 {PID} 2>/dev/null; do sleep 0.25; done
sleep 0.5
mkdir -p '{PARENT}' || { write_result fail "Could not create install folder"; exit 1; }
rm -rf '{TARGET}.new' '{TARGET}.old' || { write_result fail "Could not remove old Tarvel.app"; exit 1; }
if ! cp -a '{STAGED}' '{TARGET}.new' 2>>"$LOG"; then
  write_result fail "cp failed"; exit 1
fi
if [ -e '{TARGET}' ] && ! mv '{TARGET}' '{TARGET}.old' 2>>"$LOG"; then
  write_result fail "Could not remove old Tarvel.app"; exit 1
fi
if ! mv '{TARGET}.new' '{TARGET}' 2>>"$LOG"; then
  mv '{TARGET}.old' '{TARGET}' 2>/dev/null; write_result fail "Could not move the new Tarvel.app into place"; exit 1
fi
rm -rf '{TARGET}.old'
write_result ok ""
setsid nohup '{TARGET}/bin/tarvel' </dev/null >/dev/null 2>&1 &
launched=$!
sleep 1 &
wait -n -p ended $launched $!
code=$?
if [ "$ended" = "$launched" ] && [ $code -ne 0 ]; then
  write_result fail "The new Tarvel did not start (exit status $code)"; exit 1
fi)SH";

// As root: the staged copy stays writable by the user until pkexec returns, so it is copied
// into a fresh root-owned folder, stripped of setuid/setgid and group/other write, and refused
// when anything but plain files and folders arrived or the launcher is missing.
constexpr const char* kPrivilegedCommand =
    "umask 022 && mkdir -p '{PARENT}' && rm -rf '{TARGET}.new' '{TARGET}.old' && "
    "mkdir -m 0755 '{TARGET}.new' && "
    "{ cp -a --no-preserve=ownership '{STAGED}/.' '{TARGET}.new/' && "
    "chmod -R u-s,g-s,go-w '{TARGET}.new' && "
    "[ -z \"$(find '{TARGET}.new' ! -type f ! -type d -print -quit)\" ] && "
    "[ -z \"$(find '{TARGET}.new' -perm /6022 -print -quit)\" ] && "
    "[ -f '{TARGET}.new/bin/tarvel' ] && [ ! -L '{TARGET}.new/bin/tarvel' ] && "
    "[ -x '{TARGET}.new/bin/tarvel' ] || { rm -rf '{TARGET}.new'; exit 1; }; } && "
    "{ [ ! -e '{TARGET}' ] || mv '{TARGET}' '{TARGET}.old'; } && "
    "{ mv '{TARGET}.new' '{TARGET}' || { mv '{TARGET}.old' '{TARGET}'; exit 1; }; } && "
    "rm -rf '{TARGET}.old'";

}  // namespace

QString shellQuote(const QString& path) {
    return QString(path).replace("'", "'\\''");
}

QString helperScriptText(const HelperScriptValues& values) {
    return QString::fromUtf8(kHelperScript)
        .replace("{LOG}", shellQuote(values.log))
        .replace("{RESULT}", shellQuote(values.result))
        .replace("{PID}", QString::number(values.pid))
        .replace("{PARENT}", shellQuote(QFileInfo(values.target).path()))
        .replace("{TARGET}", shellQuote(values.target))
        .replace("{STAGED}", shellQuote(values.staged));
}

QString privilegedCommand(const QString& staged, const QString& target) {
    return QString::fromUtf8(kPrivilegedCommand)
        .replace("{PARENT}", shellQuote(QFileInfo(target).path()))
        .replace("{TARGET}", shellQuote(target))
        .replace("{STAGED}", shellQuote(staged));
}

QString privilegedFailureText(int status) {
    switch (status) {
        case -1:
            return "Could not request administrator access.";
        case 126:
            return "Administrator access was dismissed; Tarvel in /opt is unchanged. Use "
                   "~/Applications or download from the website.";
        case 127:
            return "Could not get administrator access: no authentication agent is running or "
                   "access was refused. Use ~/Applications or download from the website.";
        default:
            return "Could not replace Tarvel in /opt. Use ~/Applications or download from the "
                   "website.";
    }
}

ReplaceResult replaceApp(const QString& bundle, const QString& destination,
                         const UpdatePaths& paths, const QString& workDir, qint64 pid) {
    QDir().mkpath(QFileInfo(destination).path());
    QDir().mkpath(paths.stagingRoot());
    // A link there would have removeRecursively empty whatever it points to.
    if (QFileInfo(paths.stagedCopy()).isSymLink())
        QFile::remove(paths.stagedCopy());
    else
        QDir(paths.stagedCopy()).removeRecursively();
    const CommandResult stage = runCommand("cp", {"-a", bundle, paths.stagedCopy()});
    if (stage.status != 0)
        return {stage.error.isEmpty() ? "Could not stage the update package." : stage.error, false};

    const QString target = isSystemBundle(destination) ? kSystemBundle : destination;
    if (isSystemBundle(destination)) {
        const CommandResult swap =
            runCommand("pkexec", {"/bin/sh", "-c", privilegedCommand(paths.stagedCopy(), target)});
        if (swap.status != 0) return {privilegedFailureText(swap.status), false};
        return {std::nullopt, true};
    }

    const QString script = workDir + "/tarvel-apply-update.sh";
    QSaveFile file(script);
    const QByteArray text =
        helperScriptText({paths.logPath(), paths.resultPath(), pid, target, paths.stagedCopy()})
            .toUtf8();
    const bool written =
        file.open(QIODevice::WriteOnly) && file.write(text) == text.size() && file.commit() &&
        QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                          QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther |
                                          QFile::ExeOther);
    if (!written) return {QString("Could not prepare the update helper script."), false};
    // Its own session: the helper must outlive Tarvel and whatever stops Tarvel's group.
    QProcess helper;
    helper.setProgram("/usr/bin/setsid");
    helper.setArguments({"/bin/bash", script});
    helper.setStandardOutputFile(QProcess::nullDevice());
    helper.setStandardErrorFile(QProcess::nullDevice());
    if (!helper.startDetached()) return {QString("Could not launch the update helper."), false};
    return {std::nullopt, false};
}

}  // namespace tarvel

#pragma once

#include "QEV_Disk.h"
#include "RunHost.h"

// The host of a run nobody watches: it keeps what the run reads back (the destination panel)
// and drops what only a window would show.
class UnattendedRunHost : public RunHost
{
public:
    UnattendedRunHost(const RunOptions& options, bool sound, CdRecorder& cd);

    void setStatus(const QString&) override {}
    void setNewsText(const QString&) override {}
    [[nodiscard]] QString newsText() const override { return {}; }
    void setCounter(Counter, const QString&) override {}
    [[nodiscard]] bool isWatched() const override { return false; }
    void setProgress(int, int) override {}
    void playAnimation(const QString&) override {}
    void repaint() override {}
    void speak(const QString& text) override;

    void beginRun() override {}
    void endRun(RunOutcome, const QString&) override {}

    [[nodiscard]] bool updateMedia() override;
    [[nodiscard]] QString driveTypeText() const override { return m_panel.driveInfo[1]; }
    [[nodiscard]] CdRecorder* cdRecorder() override { return &m_cd; }

    void saveSettings() override {}

    // Only an interactive run ends with these.
    void recordStatistics(bool) override {}
    void playEndSound() override;
    void shutdownAfterRun() override;
    void exitProgram(int exitCode) override { m_exitCode = exitCode; }

    // The exit code the run ended the program with; -1 when it did not.
    [[nodiscard]] int exitCode() const { return m_exitCode; }

private:
    const RunOptions& m_options;
    bool m_sound;
    CdRecorder& m_cd;
    MediaPanel m_panel;
    int m_exitCode = -1;
};

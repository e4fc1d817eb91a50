#pragma once

#include <memory>

#include <QString>

class QLockFile;

// Keeps the program to one running instance per base folder.
class SingleInstance
{
    Q_DISABLE_COPY(SingleInstance)
public:
    SingleInstance();
    ~SingleInstance();

    // True when this process now holds the instance lock; false when another instance does.
    [[nodiscard]] bool tryAcquire();

private:
    std::unique_ptr<QLockFile> m_lock;
};

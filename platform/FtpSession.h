#pragma once

#include <QString>
#include <QStringList>

#include "FtpTransfer.h"

class QObject;

// The transfer control's FTP side as the FTP module carries it out over libcurl; FtpTransfer
// hands its calls on (see there for what each does). The module's timers and socket watches
// belong to the owner, and the state events go to it through the callback.
class FtpSession
{
public:
    virtual ~FtpSession() = default;

    virtual void setLogon(const FtpLogon& logon) = 0;
    virtual void setRequestTimeout(int seconds) = 0;
    [[nodiscard]] virtual bool list(const FtpFolder& folder) = 0;
    [[nodiscard]] virtual bool makeDirectory(const FtpFolder& parent, const QString& name) = 0;
    [[nodiscard]] virtual bool changeDirectory(const FtpFolder& folder) = 0;
    [[nodiscard]] virtual bool upload(const QString& localPath, const FtpFolder& folder,
                                      const QString& name) = 0;
    [[nodiscard]] virtual bool download(const FtpFolder& folder, const QString& name,
                                        const QString& localPath) = 0;
    [[nodiscard]] virtual bool remove(const FtpFolder& folder, const QString& name) = 0;
    virtual void close() = 0;
    [[nodiscard]] virtual bool isBusy() const = 0;
    [[nodiscard]] virtual bool succeeded() const = 0;
    [[nodiscard]] virtual int responseCode() const = 0;
    [[nodiscard]] virtual QString responseText() const = 0;
    [[nodiscard]] virtual QStringList listing() const = 0;
};

// The entry point of the FTP module.
namespace FtpModule {

inline const QString kName = QStringLiteral("ftp");

using StateChanged = void (*)(QObject* owner, int state);
using Create = FtpSession* (*)(QObject* owner, StateChanged stateChanged);
inline constexpr char kCreate[] = "quillaroCreateFtpSession";

} // namespace FtpModule

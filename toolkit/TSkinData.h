// The shared skin: the one skin every window, control and message box of the program takes its
// look from. It starts as the built-in skin and may be replaced at start-up from a skin container.
#pragma once

#include "toolkit/TSkin.h"

#include <QObject>
#include <QTemporaryDir>

#include <memory>

class TSkinData : public QObject
{
    Q_OBJECT
public:
    explicit TSkinData(QObject* parent = nullptr);
    ~TSkinData() override;

    // The skin compiled into the program under the name "main.skn".
    static TSkin BuiltInSkin();

    // Makes skin the shared skin: every window redraws with it at once. A skin that cannot be
    // applied leaves the current one in place.
    void SetSkin(const TSkin& skin);
    void LoadBuiltIn() { SetSkin(BuiltInSkin()); }
    const TSkin& Skin() const { return FSkin; }

    // The skin in use by the running program (the last one applied), or an empty skin.
    static const TSkin& Current();

private:
    TSkin FSkin;
    std::unique_ptr<QTemporaryDir> FPictureDir;
};

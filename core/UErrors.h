// Failures raised by the program: one base class for every layer (the toolkit's, the browser pane's
// and the windows' failures derive from it too) and, here, one class per kind the core raises, each
// carrying the exact message that the application's error handling shows to the user.
#pragma once

#include <cstring>
#include <stdexcept>
#include <string>

class EThreadwickError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// An index outside a store's range: "List index out of bounds (5)".
class EListError : public EThreadwickError
{
public:
    explicit EListError(int index)
        : EThreadwickError("List index out of bounds (" + std::to_string(index) + ")")
    {
    }
};

// A file that exists but cannot be read: "Cannot open file "PATH". reason".
class EFOpenError : public EThreadwickError
{
public:
    EFOpenError(const std::string& path, const std::string& reason)
        : EThreadwickError("Cannot open file \"" + path + "\". " + reason)
    {
    }
    EFOpenError(const std::string& path, int errorCode) : EFOpenError(path, std::strerror(errorCode)) {}
};

// A file that cannot be created or replaced: "Cannot create file "PATH". reason".
class EFCreateError : public EThreadwickError
{
public:
    EFCreateError(const std::string& path, const std::string& reason)
        : EThreadwickError("Cannot create file \"" + path + "\". " + reason)
    {
    }
    EFCreateError(const std::string& path, int errorCode) : EFCreateError(path, std::strerror(errorCode)) {}
};

// Writing or flushing an open file failed.
class EWriteError : public EThreadwickError
{
public:
    EWriteError() : EThreadwickError("Stream write error") {}
};

// A store refuses to overwrite a file that it could not read whole at start-up: saving would drop its
// records.
class ENotSavedError : public EThreadwickError
{
public:
    enum TReason { nsUnreadable, nsStoppedAtZero };
    ENotSavedError(const std::string& path, TReason reason)
        : EThreadwickError(reason == nsStoppedAtZero
                               ? "Not saved: \"" + path +
                                     "\" was read only up to a zero byte, so saving would lose the rest."
                               : "Not saved: \"" + path + "\" could not be read when the program started.")
    {
    }
};

// A store file with data after a zero byte: its records were read up to that byte, and the store will not
// overwrite the file, which would drop the rest.
class EDataAfterZeroError : public EThreadwickError
{
public:
    explicit EDataAfterZeroError(const std::string& path)
        : EThreadwickError(
              "\"" + path +
              "\" has data after a zero byte; it was read up to there and will not be overwritten")
    {
    }
};

// The new file is in place, but flushing its directory failed: the rename may not survive a power cut.
class EFlushError : public EThreadwickError
{
public:
    explicit EFlushError(int errorCode)
        : EThreadwickError(std::string("Saved, but the folder could not be flushed to disk: ") +
                           std::strerror(errorCode))
    {
    }
};

// Another program changed a store's file while this one ran: its file was kept as it is, and this copy's
// version was written beside it.
class EStoreConflictError : public EThreadwickError
{
public:
    EStoreConflictError(const std::string& path, const std::string& conflictPath, bool deleted)
        : EThreadwickError(
              "\"" + path + "\" was " + (deleted ? "deleted" : "changed") +
              " by another program while Threadwick was running. " +
              (deleted ? "It was not written again" : "It was kept as the other program left it") +
              "; Threadwick's version is in \"" + conflictPath +
              "\", and the changes you make now are saved there too.")
    {
    }
};

// No program is registered to open an address of this kind: says which, and how to register one.
class ENoHandlerError : public EThreadwickError
{
public:
    ENoHandlerError(const std::string& address, bool mail)
        : EThreadwickError(
              mail ? "No mail program is registered, so \"" + address +
                         "\" cannot be opened. Register one for x-scheme-handler/mailto, for instance: "
                         "xdg-mime default thunderbird.desktop x-scheme-handler/mailto (with your mail "
                         "program's desktop file)."
                   : "No web browser is registered for web pages, so \"" + address +
                         "\" cannot be opened. Register one for text/html, for instance: "
                         "xdg-mime default firefox-esr.desktop text/html (with your browser's desktop "
                         "file).")
    {
    }
};

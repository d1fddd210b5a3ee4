#include "common/Errors.h"

#include <cerrno>

namespace kvd {

Error listIndexError(long long index)
{
    return Error("Indice de liste hors limites (" + std::to_string(index) + ")");
}

std::string systemErrorText(int errorCode)
{
    switch (errorCode) {
    case ENOENT:
        return "Fichier introuvable";
    case ENOTDIR:
        return "Chemin d'accès introuvable";
    case EMFILE:
    case ENFILE:
        return "Trop de fichiers ouverts";
    case EACCES:
    case EPERM:
    case EROFS:
        return "Accès au fichier refusé";
    case EISDIR:
        return "Accès au fichier refusé";
    case ENOSPC:
    case EDQUOT:
        return "Disque plein";
    case EBUSY:
    case ETXTBSY:
        return "Le fichier est utilisé par un autre processus";
    default:
        return "Erreur E/S " + std::to_string(errorCode);
    }
}

IoError ioError(int errorCode, const std::string& path)
{
    return IoError(errorCode, path, systemErrorText(errorCode));
}

IoError systemCallError(int errorCode, const std::string& call, const std::string& name)
{
    return IoError(errorCode, name, call + " '" + name + "': " + systemErrorText(errorCode));
}

} // namespace kvd

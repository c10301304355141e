#include "FileCategories.h"

#include <QHash>

const QStringList &photoExtensions()
{
    static const QStringList list{
        "jpeg", "jpg", "png", "tga", "pict", "tiff", "tif", "pct", "pic", "jp2", "jpf", "j2k",
        "jpx", "j2c", "gif", "ai", "bmp", "dng", "dae", "eps", "fax", "fpx", "hdr", "icns",
        "ico", "openexr", "ps", "psd", "pntg", "qtif", "rad", "raw", "sgi", "xbm", "jpe",
    };
    return list;
}

const QStringList &videoExtensions()
{
    static const QStringList list{
        "mov", "mp4", "wmv", "avi", "flv", "mpeg", "mpeg-1", "mpeg-2", "divx", "xvid",
        "mpg", "webm", "3gp", "dv", "m4v", "3gpp", "3gpp2", "mpa", "wmx",
    };
    return list;
}

const QStringList &musicExtensions()
{
    static const QStringList list{
        "m4b", "mp3", "iklax", "act", "mmf", "dvf", "msv", "wv", "8svx", "wav", "aiff", "aifc", "aac",
        "au", "audio cd", "snd", "qdesign", "qtff", "m4a", "m4p", "caf", "sd2", "amr", "aif", "wma",
    };
    return list;
}

const QStringList &archiveExtensions()
{
    static const QStringList list{"zip", "7z", "rar", "pkg"};
    return list;
}

const QStringList &documentExtensions()
{
    static const QStringList list{
        "pdf", "pps", "doc", "docx", "csv", "xls", "xlsx", "ppt", "pptx", "htm", "html", "mht",
        "odt", "rtf", "txt", "log", "dot", "dotx", "docm", "dotm", "xml", "dic", "mhtml", "msg",
    };
    return list;
}

ScanResultKeys category(const QString &forExtension)
{
    // Every group head passes through here, so the five lists are folded into
    // one table once; the first list that holds an extension wins, as in a
    // test of the lists in order.
    static const QHash<QString, ScanResultKeys> table = [] {
        QHash<QString, ScanResultKeys> result;
        const std::pair<const QStringList *, ScanResultKeys> lists[] = {
            {&photoExtensions(), ScanResultKeys::Photos},
            {&videoExtensions(), ScanResultKeys::Videos},
            {&musicExtensions(), ScanResultKeys::Musics},
            {&archiveExtensions(), ScanResultKeys::Archives},
            {&documentExtensions(), ScanResultKeys::Documents},
        };
        for (const auto &[list, key] : lists) {
            for (const QString &extension : *list) {
                if (!result.contains(extension))
                    result.insert(extension, key);
            }
        }
        return result;
    }();
    const QString lower = forExtension.toLower();
    return table.value(lower, ScanResultKeys::Others);
}

#pragma once

#include <QByteArray>
#include <QImage>

#include <optional>

// The image encoded as PNG; nothing for an empty image or when encoding fails.
std::optional<QByteArray> pngData(const QImage &image);

#pragma once
// JPEG pictures decoded with libjpeg.
#include <QByteArray>
#include <QImage>

// Decodes JPEG bytes into an RGB image; a null image when the bytes are not a readable JPEG.
QImage decodeJpeg(const QByteArray& bytes);

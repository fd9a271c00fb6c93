#pragma once

#include "plots/forest_plot.h"

#include <QGuiApplication>
#include <QString>
#include <functional>
#include <memory>
#include <string>

class QPainter;

namespace tavrel::plots {

// The private Qt application a plot needs, on the offscreen platform (no display is needed),
// for as long as the plot is drawn; none where one runs already (a window's). Qt's notes about
// its own environment are kept to itself from then on.
std::unique_ptr<QGuiApplication> StartApplication();

// Paints a picture `width` by `height` points with `draw` into `format`, as the bytes of its
// file; false, with why in `error`, where it could not be encoded. `title` names it in SVG and
// PDF; `description` is SVG's description.
bool Render(int width, int height, const QString& title, const QString& description, Format format,
            const std::function<void(QPainter&)>& draw, std::string* bytes, std::string* error);

} // namespace tavrel::plots

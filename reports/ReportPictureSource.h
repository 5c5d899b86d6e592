#pragma once

#include "ModelRefs.h"

#include <QImage>

class ViewPoint;

// Where the report's rendered pictures come from: the owner installs a
// renderer of the 3D scene. The group and camera are passed with each
// request, so the report never changes the renderer's own state. Called from
// whichever thread paints the page; a renderer that cannot draw gives a null
// image.
class ReportPictureSource
{
public:
    virtual ~ReportPictureSource() = default;
    virtual QImage captureImage(int width, int height, const GroupRef& group, const ViewPoint& viewPoint) = 0;
};

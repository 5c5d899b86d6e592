#include "ViewFrame.h"

#include "ViewPoint.h"

#include <algorithm>
#include <cmath>

namespace {

const double steadyNear = 0.1;
const double steadyFar = 5000.0;

double depthScale(double distance)
{
    return std::isfinite(distance) ? std::max(1.0, distance / ViewFrame::steadyDistance) : 1.0;
}

} // namespace

double ViewFrame::nearPlaneAt(double distance)
{
    return steadyNear * depthScale(distance);
}

double ViewFrame::farPlaneAt(double distance)
{
    return steadyFar * depthScale(distance);
}

void ViewFrame::setProjection(double aspectRatio, double tangent, double nearPlane, double farPlane)
{
    aspect = aspectRatio;
    t = tangent;
    n = nearPlane;
    f = farPlane;
}

void ViewFrame::setCamera(const ViewPoint& viewPoint)
{
    focalPoint = viewPoint.focalPoint();
    const Matrix4x4 T = viewPoint.worldToEye();
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            R[r][c] = T[r][c];
    distance = viewPoint.distance();
}

// glFrustum's depth: z_ndc = (A·D − B) / D at the depth D in front of the eye.
Vector3 ViewFrame::worldToDevice(const Vector3& point) const
{
    const Vector3 p = point - focalPoint;
    Vector3 e;
    for (int r = 0; r < 3; ++r)
        e[r] = R[r][0] * p[0] + R[r][1] * p[1] + R[r][2] * p[2];
    const double D = e.z() + distance;
    const double A = (f + n) / (f - n), B = 2.0 * f * n / (f - n);
    return Vector3(e.x() / (t * aspect * D), e.y() / (t * D), (A * D - B) / D);
}

Vector3 ViewFrame::deviceToWorld(const Vector3& device) const
{
    const double A = (f + n) / (f - n), B = 2.0 * f * n / (f - n);
    const double D = B / (A - device.z());
    const Vector3 e(device.x() * t * aspect * D, device.y() * t * D, D - distance);
    Vector3 world = focalPoint;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            world[r] += R[c][r] * e[c];
    return world;
}

// On the far plane the view spans 2·f·t·aspect across and 2·f·t up; the
// sphere's diameter is set against the tighter share of those, and the depth
// of the frustum scales it as the view's unprojection always has.
double ViewFrame::distanceToFill(double radius, double widthShare, double heightShare) const
{
    const double across = std::fabs(widthShare) * aspect, up = std::fabs(heightShare);
    const double share = std::isnan(across) ? up : std::min(across, up);
    return radius / (f * t * share) * (f - n);
}

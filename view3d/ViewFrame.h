#pragma once

#include "Vectors.h"

class ViewPoint;

// The projection of one frame of the 3D view in double precision: what the
// frame's GL matrices do, worked out from the view point and the depth range
// rather than read back from GL in single precision. Projecting, unprojecting
// and fitting thus stay sound however far the camera stands, and a frame can
// never pass on a degenerate matrix to the next.
//
// Eye coordinates as the view point gives them: x right, y up, z away from
// the eye's side of the focal point; the eye stands at z = −distance.
class ViewFrame
{
public:
    // Beyond this distance the depth range grows with the view's distance, so
    // that whatever a fit brings into the view lies within it.
    static constexpr double steadyDistance = 2000.0;
    // The near and far planes of a view at a distance, in the fixed ratio of
    // the view's 0.1 to 5000.
    static double nearPlaneAt(double distance);
    static double farPlaneAt(double distance);

    // aspect: width over height of the projection; t: the tangent of half
    // the vertical field of view.
    void setProjection(double aspect, double t, double nearPlane, double farPlane);
    void setCamera(const ViewPoint& viewPoint);

    // Normalised device coordinates (each −1 to 1 within the view; z −1 on
    // the near plane and 1 on the far one) of a world point, and back.
    Vector3 worldToDevice(const Vector3& point) const;
    Vector3 deviceToWorld(const Vector3& device) const;

    // The distance at which a sphere of the radius fills the given share of
    // the view's width and height, whichever is tighter; depends only on the
    // projection's shape, not on where the camera stands.
    double distanceToFill(double radius, double widthShare, double heightShare) const;

private:
    double aspect = 1.0;
    double t = 1.0;
    double n = 0.1;
    double f = 5000.0;
    Vector3 focalPoint;
    // The rows are the eye's axes in world coordinates.
    Matrix3x3 R = Matrix3x3::identity();
    double distance = 50.0;
};

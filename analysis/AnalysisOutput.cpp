#include "AnalysisOutput.h"

#include "AnalysisResultCase.h"
#include "StopChecks.h"

#include <algorithm>
#include <cmath>

bool AnalysisOutput::calculateAndSetResultScales(const std::function<bool()>& carryOn)
{
    double Dn = 0.0, Rmax = 0.0, Dm = 0.0, Smax = 0.0;
    double Fk[6] = {0, 0, 0, 0, 0, 0};
    StopChecks checks(carryOn);
    for (const QSharedPointer<AnalysisResultCase>& c : qAsConst(resultCases)) {
        if (checks.stopped(1 + c->sourceNodes.size() + c->sourceMembers.size()))
            return false;
        for (auto it = c->sourceNodes.cbegin(); it != c->sourceNodes.cend(); ++it) {
            const Vector6 d = c->nodeDisplacements.value(it.key(), Vector6::zeroed());
            const Vector6 r = c->nodeReactions.value(it.key(), Vector6::zeroed());
            Dn = std::max(Dn, std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]));
            for (int k = 0; k < 6; ++k)
                Rmax = std::max(Rmax, std::fabs(r[k]));
        }
        for (auto it = c->sourceMembers.cbegin(); it != c->sourceMembers.cend(); ++it) {
            const MemberStats stats = c->memberStats.value(it.key());
            Dm = std::max(Dm, stats.deflection.maxima[3]);
            for (int k = 0; k < 6; ++k)
                Fk[k] = std::max(Fk[k], stats.force.maxima[k]);
            Smax = std::max(Smax, stats.stress.maximum);
        }
    }
    const double F = std::max({Fk[0], Fk[1], Fk[2]}), M = std::max({Fk[3], Fk[4], Fk[5]});
    const double D = std::max(Dn, Dm);
    const double f = F > 1.0 ? 1.0 / F : 0.0;
    const double m = M > 1.0 ? 1.0 / M : 0.0;
    const double s = D > 1e-06 ? 1.0 / D : 0.0;
    const double r = Rmax > 1.0 ? 1.0 / Rmax : 0.0;
    stressScale = Smax > 1.0 ? 1.0 / Smax : 0.0;
    for (int k = 0; k < 3; ++k) {
        memberForceScales[k] = f;
        memberForceScales[k + 3] = m;
        localDeflectionScales[k] = s;
    }
    globalDisplacementScales = filled(s);
    reactionScales = filled(r);
    return true;
}

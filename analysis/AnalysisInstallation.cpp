#include "AnalysisInstallation.h"

#include "AnalysisModel.h"
#include "DocumentModel.h"

void installAnalysis()
{
    DocumentModel::setAnalysisFactory([](DocumentModel* document) {
        return QSharedPointer<QObject>(QSharedPointer<AnalysisModel>(new AnalysisModel(document->analysisDocument())));
    });
}

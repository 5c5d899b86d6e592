#include "ReportTesting.h"
#include "TestMain.h"

// The rich text of the input and result tables, their footer notes, and the
// numbers of a simply supported beam under a central point load, which the
// edition prints scaled by the reciprocal of each kind's largest value.
class tst_Tables : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { installAnalysis(); }
    void nodeInputTable();
    void memberInputTable();
    void loadTables_data();
    void loadTables();
    void beamResults();
    void loadCaseSummary_data();
    void loadCaseSummary();
    void coverCounts();
};

namespace {

const QString begin = "<table cellspacing=\"1\" cellpadding=\"0\">";

QString metres(const ReportDocument& d, double value)
{
    return d.document->unitSystem()->preferredStringFromSI(value, UnitSystem::Length, false);
}

struct Painter
{
    ReportLayoutRef layout;
    ReportPainter painter;
    Painter(ReportDocument& d, const QStringList& chapters = {})
        : layout(d.layout(chapters)), painter(layout, d.document->unitSystem(), {})
    {
    }
};

// The cells of each labelled row of a member result table, without their commas.
QList<QStringList> valueRows(const QString& html)
{
    QList<QStringList> rows;
    QRegularExpressionMatchIterator row = QRegularExpression("<tr><td align=\"right\">(.) </td>(.*?)</tr>").globalMatch(html);
    while (row.hasNext()) {
        const QRegularExpressionMatch match = row.next();
        QStringList cells{match.captured(1)};
        QRegularExpressionMatchIterator cell = QRegularExpression("<td align=\"right\"> ([^<,]*),?</td>").globalMatch(match.captured(2));
        while (cell.hasNext())
            cells << cell.next().captured(1);
        rows << cells;
    }
    return rows;
}

} // namespace

void tst_Tables::nodeInputTable()
{
    ReportDocument d;
    const NodeRef node = d.node(1.5, -2.0, 0.0);
    Painter p(d);
    const QString m = d.document->unitSystem()->preferredUnits(UnitSystem::Length);
    const QString row = "<tr><td align=\"right\">%1</td><td align=\"right\"> %2</td><td align=\"left\"> %3</td></tr>";
    QCOMPARE(p.painter.nodeInputTable(node), begin + row.arg("X:", metres(d, 1.5), m) + row.arg("Y:", metres(d, -2.0), m)
                                                 + row.arg("Z:", metres(d, 0.0), m) + "</table>");
    // A second node table on the page adds no second note.
    p.painter.nodeInputTable(node);
    QCOMPARE(p.painter.footers, QStringList{"X,Y,Z:Initial position"});
}

void tst_Tables::memberInputTable()
{
    ReportDocument d;
    const NodeRef b = d.node(4.0), a = d.node(0.0, 3.0);
    const MemberRef member = d.member(a, b);
    const MemberRef bare(VaroObject::make<Member>(b, a));
    d.document->structureModel()->appendObjects({bare});
    Painter p(d);
    const QSharedPointer<UnitSystem> units = d.document->unitSystem();
    const QString m = units->preferredUnits(UnitSystem::Length);
    const QString end = "<tr><td align=\"right\">%1 (</td><td align=\"right\"> %2,</td><td align=\"right\"> %3,</td>"
                        "<td align=\"right\"> %4</td><td align=\"left\"> ) %5</td></tr>";
    const QString ends = begin + end.arg("A", metres(d, 0), metres(d, 3), metres(d, 0), m)
                         + end.arg("B", metres(d, 4), metres(d, 0), metres(d, 0), m) + "</table>";
    const QString whole = begin + "<tr><td align=\"center\">%1 &nbsp; %2</td></tr>"
                                  "<tr><td align=\"center\">%3 : %4<br>%5</td></tr>"
                                  "<tr><td align=\"center\">%6</td></tr></table>";
    // x decides first: (0, 3) is node 1.
    const QString material = QString("Steel : E = %1, G = %2 %3")
                                 .arg(units->preferredStringFromSI(210e9, UnitSystem::YoungsModulus, false),
                                      units->preferredStringFromSI(81e9, UnitSystem::ShearModulus, false),
                                      units->preferredUnits(UnitSystem::YoungsModulus));
    const QString length = QString("L = %1 %2").arg(metres(d, 5.0), m);
    QCOMPARE(p.painter.memberInputTable(member),
             whole.arg("<b>Member # 1</b>", "(Nodes 1 - 2)", d.section->crossSection()->genericSizeName() + " (UB 203x133x25)",
                       length, material, ends));
    // Without a section type the middle line starts with the colon and ends at the break.
    QVERIFY(p.painter.memberInputTable(bare).contains(QString("<td align=\"center\"> : %1<br></td>").arg(length)));
}

void tst_Tables::loadTables_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QList<Load::PositionedForce>>("pairs");
    QTest::addColumn<QStringList>("forceRows");
    QTest::addColumn<QStringList>("positionRows");
    QTest::addColumn<QStringList>("footers");
    QTest::newRow("point at A") << "point" << QList<Load::PositionedForce>{{0.0, -1000}} << QStringList{"F"}
                                << QStringList{"B"} << QStringList{"F:Force", "A,B:Load position"};
    QTest::newRow("point at B") << "point" << QList<Load::PositionedForce>{{1.0, -1000}} << QStringList{"F"}
                                << QStringList{"A"} << QStringList{"F:Force", "A,B:Load position"};
    QTest::newRow("torque") << "torque" << QList<Load::PositionedForce>{{0.5, 200}} << QStringList{"T"}
                            << QStringList{"A", "B"} << QStringList{"T:Torque", "A,B:Load position"};
    QTest::newRow("trapezoid") << "trapezoid" << QList<Load::PositionedForce>{{0.25, -500}, {0.75, -700}}
                               << QStringList{"FA", "FB"} << QStringList{"A", "L", "B"}
                               << QStringList{"F:Force", "A,B:Load position", "L:Load span"};
}

// On a 4 m member; positions print as distances A, L and B in metres.
void tst_Tables::loadTables()
{
    QFETCH(QString, kind);
    QFETCH(QList<Load::PositionedForce>, pairs);
    QFETCH(QStringList, forceRows);
    QFETCH(QStringList, positionRows);
    QFETCH(QStringList, footers);
    ReportDocument d;
    const MemberRef member = d.member(d.node(0.0), d.node(4.0));
    const LoadRef load = kind == "point"    ? d.load<PointLoad>(member, pairs)
                         : kind == "torque" ? d.load<TorqueLoad>(member, pairs)
                                            : d.load<TrapezoidLoad>(member, pairs);
    Painter p(d);
    const QSharedPointer<UnitSystem> units = d.document->unitSystem();
    const UnitSystem::Conversion conversion = kind == "point"    ? UnitSystem::LoadForce
                                              : kind == "torque" ? UnitSystem::LoadTorque
                                                                 : UnitSystem::LoadForcePerLength;
    const QString row = "<tr><td align=\"right\">%1</td><td align=\"right\"> %2</td><td align=\"left\"> %3</td></tr>";
    QString forces = begin;
    for (int i = 0; i < forceRows.size(); ++i)
        forces += row.arg(forceRows[i], units->preferredStringFromSI(pairs[i].second, conversion, false),
                          units->preferredUnits(conversion));
    QCOMPARE(p.painter.loadForceInputTable(load), forces + "</table>");

    const double first = pairs.first().first, last = pairs.size() > 1 ? pairs.last().first : first;
    const QMap<QString, double> distances{{"A", 4.0 * first}, {"L", 4.0 * (last - first)}, {"B", 4.0 * (1 - last)}};
    QString positions = begin;
    for (const QString& symbol : positionRows)
        positions += row.arg(symbol, metres(d, distances[symbol]), units->preferredUnits(UnitSystem::Length));
    QCOMPARE(p.painter.loadPositionInputTable(load), positions + "</table>");
    QCOMPARE(p.painter.footers, footers);
}

// A 1 m beam with P at mid-span. Every kind prints its value times ten
// preferred units over the kind's largest value: M = PL/4 at mid-span and
// PL/8 at the quarters; V = ±P/2; deflection PL³/48EI at mid-span and 11/16
// of it at the quarters.
void tst_Tables::beamResults()
{
    ReportDocument d;
    const QList<MemberRef> members = d.beam(1);
    d.load<PointLoad>(members[0], {{0.5, 1000.0}});
    const QSharedPointer<AnalysisResultCase> results = d.analyse();
    Painter p(d);
    const QSharedPointer<UnitSystem> units = d.document->unitSystem();
    const auto ten = [&](UnitSystem::Conversion c) { return units->convertPreferredToSI(10.0, c); };
    const auto text = [&](double v, UnitSystem::Conversion c) { return units->preferredStringFromSI(v, c, false); };
    const double deflection = std::max(ten(UnitSystem::Distance), ten(UnitSystem::Rotation)) * 11 / 16;
    const double moment = ten(UnitSystem::BendingMoment) / 2;

    // The mid-span deflection that sets the scale is found by a peak search:
    // 1e-5 is its precision.
    const auto checkRow = [&](const QStringList& cells, const char* label, double d, double v, double m) {
        QCOMPARE(cells.size(), 4);
        QCOMPARE(cells[0], QString(label));
        const double shown = units->convertSIToPreferred(d, UnitSystem::Distance);
        QVERIFY2(std::fabs(cells[1].toDouble() - shown) <= 1e-5 * std::max(1.0, std::fabs(shown)), qPrintable(cells[1]));
        QCOMPARE(cells[2], text(v, UnitSystem::ShearForce));
        QCOMPARE(cells[3], text(m, UnitSystem::BendingMoment));
    };
    // The sign of the shear is the engine's convention; its size and its change at the load are the beam's.
    const double V = results->forceAtPositionOnMember(members[0], 0.25)[1] > 0 ? ten(UnitSystem::ShearForce)
                                                                                 : -ten(UnitSystem::ShearForce);
    const QString quarters = p.painter.memberBlockTableYZ(results, members[0], {0.0, 0.25, 0.75}, {'A', 'C', 'B'}, true);
    QVERIFY(quarters.startsWith("<table cellspacing=\"1\" cellpadding=\"0\"><tr><td colspan=\"4\" align=\"center\" "
                                "class=\"warn\">NOT ACTUAL RESULTS</td></tr><tr><th></th><th> d</th><th> V</th><th> M</th></tr>"));
    QVERIFY(quarters.endsWith("<tr><td colspan=\"4\">&nbsp;</td></tr><tr><td colspan=\"4\">&nbsp;</td></tr></table>"));
    const QList<QStringList> rows = valueRows(quarters);
    QCOMPARE(rows.size(), 3);
    checkRow(rows[0], "A", 0.0, V, 0.0);
    checkRow(rows[1], "C", -deflection, V, moment);
    checkRow(rows[2], "B", -deflection, -V, moment);

    // Seven positions fill the table without blank rows; nothing acts along the member.
    const QString axial = p.painter.memberBlockTableX(results, members[0], {0, 0.1, 0.2, 0.3, 0.4, 0.5, 0.6}, {});
    QCOMPARE(axial.count("<tr><td align=\"right\"> </td><td align=\"right\"> " + text(0.0, UnitSystem::AxialForce)
                         + ",</td><td align=\"right\"> " + text(0.0, UnitSystem::TorsionMoment) + "</td></tr>"),
             7);
    QVERIFY(!axial.contains("&nbsp;"));

    // The support reaction P/2 is the largest reaction, so it prints as ten.
    const NodeRef support = members[0]->nodeA(), free = nodeAt(9.0);
    const QString nodeRow = "<tr><td align=\"right\">%1</td><td align=\"right\"> %2,</td><td align=\"right\"> %3,</td>"
                            "<td align=\"right\"> %4</td><td align=\"left\"> %5</td></tr>";
    const QString supported = p.painter.nodeResultsTable(support, results);
    QVERIFY(supported.contains(nodeRow.arg("Rf:", text(0.0, UnitSystem::ReactionForce),
                                           text(ten(UnitSystem::ReactionForce), UnitSystem::ReactionForce),
                                           text(0.0, UnitSystem::ReactionForce), QString())));
    QVERIFY(supported.endsWith("<tr><td colspan=\"5\" align=\"center\" class=\"warn\">NOT ACTUAL RESULTS</td></tr></table>"));
    QCOMPARE(supported.count("<tr>"), 6);
    QCOMPARE(p.painter.nodeResultsTable(free, results).count("<tr>"), 4);
    QCOMPARE(p.painter.footers, (QStringList{"@:Initial position", "D:Global displacements", "R:Reactions"}));
}

void tst_Tables::loadCaseSummary_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QList<double>>("forces");
    QTest::addColumn<QList<int>>("counts");
    QTest::addColumn<double>("gross");
    QTest::addColumn<double>("net");
    // Loads act along -y on a 2 m member.
    QTest::newRow("torques only") << "torque" << QList<double>{3e3} << QList<int>{0, 1, 0} << 0.0 << 0.0;
    QTest::newRow("opposite points") << "points" << QList<double>{5e3, -5e3} << QList<int>{2, 0, 0} << 10e3 << 0.0;
    QTest::newRow("trapezoid changing sign")
        << "trapezoid" << QList<double>{-10e3, 10e3} << QList<int>{0, 0, 1} << 10e3 << 0.0;
    QTest::newRow("trapezoid of one sign")
        << "trapezoid" << QList<double>{10e3, 30e3} << QList<int>{0, 0, 1} << 40e3 << -40e3;
}

void tst_Tables::loadCaseSummary()
{
    QFETCH(QString, kind);
    QFETCH(QList<double>, forces);
    QFETCH(QList<int>, counts);
    QFETCH(double, gross);
    QFETCH(double, net);
    ReportDocument d;
    const MemberRef member = d.member(d.node(0.0), d.node(2.0));
    if (kind == "torque")
        d.load<TorqueLoad>(member, {{0.5, forces[0]}});
    else if (kind == "points")
        for (double force : forces)
            d.load<PointLoad>(member, {{0.5, force}});
    else
        d.load<TrapezoidLoad>(member, {{0.0, forces[0]}, {1.0, forces[1]}});
    Painter p(d);
    const QString html =
        p.painter.loadCaseCoverInformation(d.loading, GroupRef(), p.layout->loadsByLoadCase.value(d.loading));
    const QSharedPointer<UnitSystem> units = d.document->unitSystem();
    const QString count = "<tr><td align=\"right\">%1 loads:</td><td>%2</td></tr>";
    QVERIFY(html.contains(count.arg("Point").arg(counts[0]) + count.arg("Moment").arg(counts[1])
                          + count.arg("Trapezoid").arg(counts[2])));
    const QString row = "<tr><td align=\"right\">%1</td><td align=\"right\">%2</td><td align=\"right\">%3</td>"
                        "<td align=\"right\">%4</td><td>%5</td></tr>";
    const auto force = [&](double v) { return units->preferredStringFromSI(v, UnitSystem::LoadForce, false); };
    const QString kN = units->preferredUnits(UnitSystem::LoadForce);
    QVERIFY(html.contains(row.arg("Gross force", force(0), force(gross), force(0), kN)));
    QVERIFY(html.contains(row.arg("Net force", force(0), force(net), force(0), kN)));
    QVERIFY(html.contains("<td class=\"headingR\">Dead</td>"));

    const QString heading = "<tr><td align=\"right\" class=\"headingL\">%1:</td><td class=\"headingR\">%2</td></tr>";
    QVERIFY(p.painter.loadCaseCoverInformation(VaroObject::make<Combination>("Ultimate"), {}, {})
                .contains(heading.arg("Combination", "Ultimate")));
    QVERIFY(p.painter.loadCaseCoverInformation(VaroObject::make<SwayCase>("Notional"), {}, {})
                .contains(heading.arg("Swaycase", "Notional")));
}

// Geometry outside the analysis counts in the total only; the reported
// columns count what the cover was given. Without titles the file names the project.
void tst_Tables::coverCounts()
{
    ReportDocument d;
    const GeometryGroupRef sketch(VaroObject::make<GeometryGroup>("Sketch"));
    sketch->setAnalysisPurpose(false);
    const MemberRef analysed = d.member(d.node(0.0), d.node(2.0));
    const NodeRef outside = d.node(5.0);
    outside->setGeometryGroup(sketch);
    d.member(outside, d.node(7.0))->setGeometryGroup(sketch);
    d.document->setFileName("/models/Shed.varou", "Shed.varou");
    Painter p(d);
    const QString html = p.painter.groupCoverInformation(GroupRef(), {analysed->nodeA()}, {analysed});
    const QString row = "<tr><td align=\"right\">%1</td><td align=\"right\">%2</td><td align=\"right\">%3</td>"
                        "<td align=\"right\">%4</td><td></td></tr>";
    QVERIFY(html.contains(row.arg("Node count", "4", "3", "1")));
    QVERIFY(html.contains(row.arg("Member count", "2", "1", "1")));
    QVERIFY(html.contains("<td align=\"right\" class=\"headingL\">Project name:</td><td class=\"headingR\">Shed</td>"));
}

VARO_TEST_MAIN(tst_Tables)
#include "tst_tables.moc"

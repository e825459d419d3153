#pragma once

#include "core/chart/chartprops.h"

#include <QObject>

// The joint-layer tables as the chart control publishes them, over the core chart's
// JointLayers, which keeps joins one level deep and raises EOrnRChartError otherwise.
class TJointLayers : public QObject
{
    Q_OBJECT
#define DSCDMA_JOINT_PROPS(nn)                                                                     \
public:                                                                                            \
    int L##nn##xControlledBy() const { return XControlledBy(1##nn - 100); }                        \
    void SetL##nn##xControlledBy(int d) { SetXControlledBy(1##nn - 100, d); }                      \
    int L##nn##yControlledBy() const { return YControlledBy(1##nn - 100); }                        \
    void SetL##nn##yControlledBy(int d) { SetYControlledBy(1##nn - 100, d); }
    DSCDMA_JOINT_PROPS(01)
    DSCDMA_JOINT_PROPS(02)
    DSCDMA_JOINT_PROPS(03)
    DSCDMA_JOINT_PROPS(04)
    DSCDMA_JOINT_PROPS(05)
    DSCDMA_JOINT_PROPS(06)
    DSCDMA_JOINT_PROPS(07)
    DSCDMA_JOINT_PROPS(08)
    DSCDMA_JOINT_PROPS(09)
    DSCDMA_JOINT_PROPS(10)
    DSCDMA_JOINT_PROPS(11)
    DSCDMA_JOINT_PROPS(12)
    DSCDMA_JOINT_PROPS(13)
    DSCDMA_JOINT_PROPS(14)
    DSCDMA_JOINT_PROPS(15)
    DSCDMA_JOINT_PROPS(16)
#undef DSCDMA_JOINT_PROPS
    Q_PROPERTY(int L01xControlledBy READ L01xControlledBy WRITE SetL01xControlledBy)
    Q_PROPERTY(int L02xControlledBy READ L02xControlledBy WRITE SetL02xControlledBy)
    Q_PROPERTY(int L03xControlledBy READ L03xControlledBy WRITE SetL03xControlledBy)
    Q_PROPERTY(int L04xControlledBy READ L04xControlledBy WRITE SetL04xControlledBy)
    Q_PROPERTY(int L05xControlledBy READ L05xControlledBy WRITE SetL05xControlledBy)
    Q_PROPERTY(int L06xControlledBy READ L06xControlledBy WRITE SetL06xControlledBy)
    Q_PROPERTY(int L07xControlledBy READ L07xControlledBy WRITE SetL07xControlledBy)
    Q_PROPERTY(int L08xControlledBy READ L08xControlledBy WRITE SetL08xControlledBy)
    Q_PROPERTY(int L09xControlledBy READ L09xControlledBy WRITE SetL09xControlledBy)
    Q_PROPERTY(int L10xControlledBy READ L10xControlledBy WRITE SetL10xControlledBy)
    Q_PROPERTY(int L11xControlledBy READ L11xControlledBy WRITE SetL11xControlledBy)
    Q_PROPERTY(int L12xControlledBy READ L12xControlledBy WRITE SetL12xControlledBy)
    Q_PROPERTY(int L13xControlledBy READ L13xControlledBy WRITE SetL13xControlledBy)
    Q_PROPERTY(int L14xControlledBy READ L14xControlledBy WRITE SetL14xControlledBy)
    Q_PROPERTY(int L15xControlledBy READ L15xControlledBy WRITE SetL15xControlledBy)
    Q_PROPERTY(int L16xControlledBy READ L16xControlledBy WRITE SetL16xControlledBy)
    Q_PROPERTY(int L01yControlledBy READ L01yControlledBy WRITE SetL01yControlledBy)
    Q_PROPERTY(int L02yControlledBy READ L02yControlledBy WRITE SetL02yControlledBy)
    Q_PROPERTY(int L03yControlledBy READ L03yControlledBy WRITE SetL03yControlledBy)
    Q_PROPERTY(int L04yControlledBy READ L04yControlledBy WRITE SetL04yControlledBy)
    Q_PROPERTY(int L05yControlledBy READ L05yControlledBy WRITE SetL05yControlledBy)
    Q_PROPERTY(int L06yControlledBy READ L06yControlledBy WRITE SetL06yControlledBy)
    Q_PROPERTY(int L07yControlledBy READ L07yControlledBy WRITE SetL07yControlledBy)
    Q_PROPERTY(int L08yControlledBy READ L08yControlledBy WRITE SetL08yControlledBy)
    Q_PROPERTY(int L09yControlledBy READ L09yControlledBy WRITE SetL09yControlledBy)
    Q_PROPERTY(int L10yControlledBy READ L10yControlledBy WRITE SetL10yControlledBy)
    Q_PROPERTY(int L11yControlledBy READ L11yControlledBy WRITE SetL11yControlledBy)
    Q_PROPERTY(int L12yControlledBy READ L12yControlledBy WRITE SetL12yControlledBy)
    Q_PROPERTY(int L13yControlledBy READ L13yControlledBy WRITE SetL13yControlledBy)
    Q_PROPERTY(int L14yControlledBy READ L14yControlledBy WRITE SetL14yControlledBy)
    Q_PROPERTY(int L15yControlledBy READ L15yControlledBy WRITE SetL15yControlledBy)
    Q_PROPERTY(int L16yControlledBy READ L16yControlledBy WRITE SetL16yControlledBy)

public:
    TJointLayers(JointLayers& joints, QObject* parent);

    int XControlledBy(int layer) const { return m_joints.XControlledBy(layer); }
    int YControlledBy(int layer) const { return m_joints.YControlledBy(layer); }
    void SetXControlledBy(int layer, int destination) { m_joints.SetXControlledBy(layer, destination); }
    void SetYControlledBy(int layer, int destination) { m_joints.SetYControlledBy(layer, destination); }

private:
    JointLayers& m_joints;
};

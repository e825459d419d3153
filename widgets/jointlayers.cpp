#include "widgets/jointlayers.h"

TJointLayers::TJointLayers(JointLayers& joints, QObject* parent)
    : QObject(parent)
    , m_joints(joints)
{
    setObjectName(QStringLiteral("JointLayers"));
}

#pragma once

#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

// Tests that make mounts. The mounts live in a mount namespace of the test's
// own thread (and of the threads and processes it starts), private in both
// directions: nothing else on the machine sees them, and they end with the
// process at the latest. Each test takes its own mounts down in TearDown.
// Without root (or where namespaces are refused) every such test is skipped.
class PrivateMounts : public testing::Test
{
protected:
    static void SetUpTestSuite();
    void SetUp() override;
    void TearDown() override;

    void unmountAll();
    // A bind mount of the source, or a small tmpfs, at the target (a tmpfs's
    // folder made when missing); on failure the reason.
    QString mountInside(const QString &source, const QString &target, bool bind);
    QString mountTmpfs(const QString &target) { return mountInside({}, target, false); }
    // Moves a mount made here to another folder (mount --move); on failure the reason.
    QString moveMount(const QString &from, const QString &to);
    // An overlay of the lower folder with the upper one at the target. With
    // `relativeLayers` the layers are given from the target's parent folder
    // by relative paths, as a user in that folder may give them: the mount
    // table then names them so that nobody else can find them.
    QString mountOverlay(const QString &lower, const QString &upper, const QString &target, bool relativeLayers = false);

    static QString s_refused;
    QString m_base;
    QStringList m_mounts;
};

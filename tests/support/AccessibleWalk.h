#pragma once

#include <QAccessible>
#include <QSet>
#include <QStringList>

// Walks the accessible tree under an object as a screen reader does, child
// by child, and asks every object for children it does not have, as a
// reader holding a stale count does: the child at its count, the one past it
// and the one before the first; and, of a table, the cells just outside it. Each such question must be answered with nothing; a
// question that brings the program down ends the test process.
class AccessibleWalk
{
public:
    explicit AccessibleWalk(QAccessibleInterface *root) { visit(root, 0); }

    // Every object that answered a question about a child or cell it does not have.
    QStringList wrongAnswers;
    // The roles met on the way, to tell that the walk reached what it should.
    QSet<QAccessible::Role> roles;
    int visited = 0;

    static QString describe(QAccessibleInterface *object)
    {
        if (!object)
            return QStringLiteral("(nothing)");
        const QObject *owner = object->object();
        return QStringLiteral("role %1 \"%2\" %3")
            .arg(int(object->role()))
            .arg(object->text(QAccessible::Name))
            .arg(owner ? QString::fromLatin1(owner->metaObject()->className()) + QLatin1Char(' ') + owner->objectName()
                       : QStringLiteral("(no object)"));
    }

private:
    // Deep enough for every window; a cycle stops at an object already seen.
    static constexpr int kDepth = 40;

    void visit(QAccessibleInterface *object, int depth)
    {
        if (!object || depth > kDepth || m_seen.contains(object))
            return;
        m_seen.insert(object);
        ++visited;
        roles.insert(object->role());
        const int count = object->childCount();
        for (const int past : {count, count + 1, -1}) {
            if (QAccessibleInterface *answer = object->child(past))
                wrongAnswers.append(describe(object) + QStringLiteral(" answered child %1 of %2 with ").arg(past).arg(count)
                                    + describe(answer));
        }
        if (QAccessibleTableInterface *table = object->tableInterface()) {
            const int rows = table->rowCount();
            const int columns = table->columnCount();
            for (const auto &[row, column] : {std::pair{rows, 0}, std::pair{0, columns}, std::pair{-1, 0}, std::pair{0, -1}}) {
                if (QAccessibleInterface *answer = table->cellAt(row, column))
                    wrongAnswers.append(describe(object) + QStringLiteral(" answered cell %1,%2 of %3x%4 with ")
                                            .arg(row).arg(column).arg(rows).arg(columns)
                                        + describe(answer));
            }
        }
        for (int index = 0; index < count; ++index)
            visit(object->child(index), depth + 1);
    }

    QSet<QAccessibleInterface *> m_seen;
};

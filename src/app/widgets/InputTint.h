// The tint of a signal text typed but not applied yet: the edit keeps it, with a tooltip that
// says how to apply it, until Enter applies it or a choice replaces it; a rejected text keeps
// it until it is changed.
#pragma once

class QLineEdit;

void MarkPendingInput(QLineEdit* edit);
// Rejected: the text stays tinted while it is the one that was refused.
void MarkNotApplied(QLineEdit* edit);
// Applied or replaced: the edit's own look and tooltip again.
void SettleInput(QLineEdit* edit);

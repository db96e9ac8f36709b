;;; Plansweeper.lsp -- the cleaning functions Plansweeper's scripts call in AutoCAD.
;;;
;;; Loaded by every full-AutoCAD script of a run (as Plansweeper.VLX once compiled,
;;; or as this source). Each function works on the open drawing, takes no
;;; arguments, asks for no input and returns quietly, so the next script line runs.
;;; Failures of single objects (locked layers, objects still referenced) are
;;; caught and passed over.

(vl-load-com)

;;; ---------------------------------------------------------------- helpers

(defun ps:doc ()
  (vla-get-ActiveDocument (vlax-get-acad-object))
)

;; Calls fn with args, catching any error; returns nil on error.
(defun ps:try (fn args / result)
  (setq result (vl-catch-all-apply fn args))
  (if (vl-catch-all-error-p result) nil result)
)

;; The extension dictionary of the layer table as an entity name (created when
;; the table has none yet; creating an empty one changes nothing visible).
(defun ps:layer-dictionary (/ xdict)
  (setq xdict (ps:try 'vla-GetExtensionDictionary (list (vla-get-Layers (ps:doc)))))
  (if xdict (vlax-vla-object->ename xdict))
)

;; Removes the entry called name from the dictionary dict (an entity name).
(defun ps:dict-remove (dict name)
  (if (and dict (dictsearch dict name))
    (ps:try 'dictremove (list dict name))
  )
)

;; The names of the entries of a dictionary given as an entity name.
(defun ps:dict-names (dict / data names)
  (if dict
    (foreach pair (entget dict)
      (if (= (car pair) 3)
        (setq names (cons (cdr pair) names))
      )
    )
  )
  (reverse names)
)

;; Deletes every object of a collection for which test returns true.
(defun ps:delete-from (collection test / doomed)
  (vlax-for item collection
    (if (apply test (list item))
      (setq doomed (cons item doomed))
    )
  )
  (foreach item doomed
    (ps:try 'vla-Delete (list item))
  )
)

;; Erases the entities of a selection set for which test returns true.
(defun ps:erase-where (ss test / i ename)
  (if ss
    (progn
      (setq i 0)
      (while (< i (sslength ss))
        (setq ename (ssname ss i))
        (if (apply test (list (entget ename)))
          (ps:try 'entdel (list ename))
        )
        (setq i (1+ i))
      )
    )
  )
)

;;; ------------------------------------------------------ cleaning functions

;; All layer filters: the old and the new filter dictionaries of the layer table.
(defun DeleteLayerFilters (/ dict)
  (setq dict (ps:layer-dictionary))
  (ps:dict-remove dict "ACAD_LAYERFILTERS")
  (ps:dict-remove dict "AcLyDictionary")
  (princ)
)

;; All layer states.
(defun DeleteLayerStates (/ dict)
  (setq dict (ps:layer-dictionary))
  (ps:dict-remove dict "ACAD_LAYERSTATES")
  (princ)
)

;; The layer-manager states the Express Tools keep: every entry whose name
;; starts with LMAN, in the layer table's dictionary and in the drawing's
;; named object dictionary.
(defun LmanKill (/ dict)
  (foreach dict (list (ps:layer-dictionary) (namedobjdict))
    (foreach name (ps:dict-names dict)
      (if (wcmatch (strcase name) "LMAN*")
        (ps:dict-remove dict name)
      )
    )
  )
  (princ)
)

;; Command: every line whose two end points are the same point.
(defun c:DelNullLine ()
  (ps:erase-where
    (ssget "_X" '((0 . "LINE")))
    '(lambda (data) (equal (cdr (assoc 10 data)) (cdr (assoc 11 data)) 1e-12))
  )
  (princ)
)

;; Command: every text and multiline text whose text is empty or blanks only.
(defun c:DeleteEmtyText ()
  (ps:erase-where
    (ssget "_X" '((-4 . "<OR") (0 . "TEXT") (0 . "MTEXT") (-4 . "OR>")))
    '(lambda (data) (= "" (vl-string-trim " \t" (cdr (assoc 1 data)))))
  )
  (princ)
)

;; All page setups (plot configurations that belong to no layout).
(defun deleteAllPageSetups ()
  (ps:delete-from (vla-get-PlotConfigurations (ps:doc)) '(lambda (item) T))
  (princ)
)

;; The embedded VBA project.
(defun DelACAD_VBA ()
  (ps:dict-remove (namedobjdict) "ACAD_VBA")
  (princ)
)

;; Registered applications nothing refers to; referenced ones refuse deletion.
(defun PurgeAPPID ()
  (ps:delete-from
    (vla-get-RegisteredApplications (ps:doc))
    '(lambda (item) (/= (strcase (vla-get-Name item)) "ACAD"))
  )
  (princ)
)

;; Groups without a name of their own (their names start with "*").
(defun PurgeAnonymGroups ()
  (ps:delete-from (vla-get-Groups (ps:doc)) '(lambda (item) (wcmatch (vla-get-Name item) "`**")))
  (princ)
)

;; All groups.
(defun PurgeAllGroups ()
  (ps:delete-from (vla-get-Groups (ps:doc)) '(lambda (item) T))
  (princ)
)

;; Named object dictionaries that hold nothing, except those AutoCAD itself
;; relies on.
(defun PurgeAllNOD (/ nod entry kept)
  (setq nod (namedobjdict)
        kept '("ACAD_GROUP" "ACAD_LAYOUT" "ACAD_MLINESTYLE" "ACAD_PLOTSETTINGS" "ACAD_PLOTSTYLENAME"
               "ACAD_MATERIAL" "ACAD_COLOR" "ACAD_TABLESTYLE" "ACAD_VISUALSTYLE" "ACAD_SCALELIST"
               "ACAD_MLEADERSTYLE" "ACAD_DETAILVIEWSTYLE" "ACAD_SECTIONVIEWSTYLE" "AcDbVariableDictionary")
  )
  (foreach name (ps:dict-names nod)
    (setq entry (dictsearch nod name))
    (if (and entry
             (= (cdr (assoc 0 entry)) "DICTIONARY")
             (not (member (strcase name) (mapcar 'strcase kept)))
             (null (assoc 3 entry))
        )
      (ps:dict-remove nod name)
    )
  )
  (princ)
)

(princ)
